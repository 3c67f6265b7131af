#include "config/replay_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>

#include "config/file_io.h"
#include "config/user_files.h"
#include "engine/errors.h"

namespace kq {

namespace {

namespace fs = std::filesystem;

struct TName {
  std::string Stamp;  // YYYYMMDDHHMMSS
  int Count = 1;      // the -N of a second recording in the same second
  std::string File;
};

bool Digits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "YYYYMMDD-HHMMSS-1P[-N].kqr" or with VS.
bool ParseName(const std::string& file, TName& out) {
  constexpr std::string_view ext = ".kqr";
  if (file.size() < 18 + ext.size() || file.compare(file.size() - ext.size(), ext.size(), ext) != 0)
    return false;
  const std::string_view s(file.data(), file.size() - ext.size());
  if (!Digits(s.substr(0, 8)) || s[8] != '-' || !Digits(s.substr(9, 6)) || s[15] != '-') return false;
  const std::string_view mode = s.substr(16, 2);
  if (mode != "1P" && mode != "VS") return false;
  std::string_view rest = s.substr(18);
  out.Count = 1;
  if (!rest.empty()) {
    if (rest[0] != '-' || !Digits(rest.substr(1)) || rest.size() > 6) return false;
    out.Count = std::stoi(std::string(rest.substr(1)));
  }
  out.Stamp = std::string(s.substr(0, 8)) + std::string(s.substr(9, 6));
  out.File = file;
  return true;
}

std::vector<TName> Listing(const std::string& dir) {
  std::vector<TName> names;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    TName n;
    if (it->is_regular_file(ec) && ParseName(it->path().filename().string(), n)) names.push_back(n);
  }
  std::sort(names.begin(), names.end(), [](const TName& a, const TName& b) {
    return a.Stamp != b.Stamp ? a.Stamp > b.Stamp : a.Count > b.Count;
  });
  return names;
}

std::string Slash(const std::string& dir) {
  return dir.empty() || dir.back() == '/' ? dir : dir + "/";
}

// The first bytes of a file, enough for its header.
std::string Head(const std::string& path) {
  std::string out(4096, '\0');
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return {};
  const ssize_t n = ::read(fd, out.data(), out.size());
  ::close(fd);
  out.resize(n > 0 ? size_t(n) : 0);
  return out;
}

}  // namespace

std::string ReplayFileName(const std::string& dir, int64_t date, int mode) {
  const std::time_t t = std::time_t(date);
  std::tm local{};
  localtime_r(&t, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  const std::string base = std::string(stamp) + (mode == 2 ? "-VS" : "-1P");
  std::string name = base + ".kqr";
  std::error_code ec;
  for (int n = 2; fs::exists(Slash(dir) + name, ec) && n < 100000; ++n)
    name = base + "-" + std::to_string(n) + ".kqr";
  return name;
}

std::vector<std::string> ListReplays(const std::string& dir) {
  std::vector<std::string> out;
  for (const TName& n : Listing(dir)) out.push_back(n.File);
  return out;
}

void PruneReplays(const std::string& dir, const THiScoreTable& ranking, size_t keep) {
  std::vector<THiScoreRow> rows(ranking.begin(), ranking.end());
  const std::vector<TName> names = Listing(dir);
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string path = Slash(dir) + names[i].File;
    // A ranked game holds on to its row, newest recording first.
    bool holdsRow = false;
    TReplayHeader h;
    if (PeekReplayHeader(Head(path), h) && h.Mode == 1 && h.Ranked) {
      auto it = std::find_if(rows.begin(), rows.end(), [&](const THiScoreRow& r) {
        return r.Score == h.Score[0] && r.Combo == std::clamp(h.MaxCombo[0], 0, 32767) &&
               r.Level == std::clamp(h.Level[0], 0, 32767);
      });
      if (it != rows.end()) {
        rows.erase(it);
        holdsRow = true;
      }
    }
    if (i >= keep && !holdsRow) ::unlink(path.c_str());
  }
}

std::string SaveReplay(const std::string& dir, const TReplayHeader& h, const std::string& bytes,
                       const THiScoreTable& ranking, std::string& error) {
  // The user data folder may not exist yet: it is made private, as the score file's save does.
  MakeUserFolder(Slash(dir) + "x");
  const std::string path = Slash(dir) + ReplayFileName(dir, h.Date, h.Mode);
  try {
    ReplaceFile(path, bytes);
  } catch (const EWriteError& e) {
    error = std::string(e.what()) + ": " + WriteFailureReason(path, e.Errno);
    return {};
  }
  PruneReplays(dir, ranking);
  return path;
}

std::string SaveReplay(const std::vector<std::string>& dirs, const TReplayHeader& h, const std::string& bytes,
                       const THiScoreTable& ranking, std::string& error) {
  error.clear();
  for (const std::string& dir : dirs) {
    if (dir.empty()) continue;
    std::string why;
    const std::string path = SaveReplay(dir, h, bytes, ranking, why);
    if (!path.empty()) {
      if (!error.empty()) error += "\n代わりに " + path + " に保存しました";
      return path;
    }
    error += (error.empty() ? "" : "\n") + why;
  }
  return {};
}

bool IsReplayFileName(const std::string& name) {
  TName n;
  return ParseName(name, n);
}

int RemoveStaleReplayTemporaries(const std::string& dir) {
  return RemoveStaleTemporariesIn(dir, IsReplayFileName);
}

}  // namespace kq
