#include "config/replay_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "config/file_io.h"
#include "config/user_files.h"
#include "engine/errors.h"
#include "engine/i18n.h"

namespace kq {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kExt = ".kqr";
constexpr std::string_view kKeep = "-keep";

struct TName {
  std::string Stamp;  // YYYYMMDDHHMMSS
  int Count = 1;      // the -N of a second recording in the same second
  bool Kept = false;
  std::string File;
};

bool Digits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool HasExt(std::string_view file) {
  return file.size() > kExt.size() && file.substr(file.size() - kExt.size()) == kExt;
}

// "YYYYMMDD-HHMMSS-1P[-N][-keep].kqr" or with VS.
bool ParseName(const std::string& file, TName& out) {
  if (file.size() < 18 + kExt.size() || !HasExt(file)) return false;
  std::string_view s(file.data(), file.size() - kExt.size());
  out.Kept = s.size() > kKeep.size() && s.substr(s.size() - kKeep.size()) == kKeep;
  if (out.Kept) s.remove_suffix(kKeep.size());
  if (!Digits(s.substr(0, 8)) || s[8] != '-' || !Digits(s.substr(9, 6)) || s[15] != '-') return false;
  const std::string_view mode = s.substr(16, 2);
  if (mode != "1P" && mode != "VS") return false;
  std::string_view rest = s.substr(18);
  out.Count = 1;
  if (!rest.empty()) {
    if (rest[0] != '-' || rest.size() > 6 || !Digits(rest.substr(1))) return false;
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
  // A kept recording holds its name too: keeping or releasing it renames it back and forth.
  auto taken = [&](const std::string& stem) {
    std::error_code ec;
    return fs::exists(Slash(dir) + stem + ".kqr", ec) || fs::exists(Slash(dir) + stem + "-keep.kqr", ec);
  };
  std::string stem = base;
  for (int n = 2; taken(stem) && n < 100000; ++n) stem = base + "-" + std::to_string(n);
  return stem + ".kqr";
}

std::vector<std::string> ListReplays(const std::string& dir) {
  std::vector<std::string> out;
  for (const TName& n : Listing(dir)) out.push_back(n.File);
  return out;
}

void PruneReplays(const std::string& dir, const THiScoreTable& ranking, size_t keep) {
  std::vector<THiScoreRow> rows(ranking.begin(), ranking.end());
  std::vector<TName> names = Listing(dir);
  std::erase_if(names, [](const TName& n) { return n.Kept; });
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

std::vector<TReplayEntry> IndexReplays(const std::string& dir) {
  std::vector<TReplayEntry> out;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string file = it->path().filename().string();
    std::error_code fec;
    if (!HasExt(file) || it->is_directory(fec)) continue;
    TReplayEntry e;
    e.File = file;
    TName n;
    if (ParseName(file, n)) {
      e.Stamp = n.Stamp + (n.Count > 1 ? "-" + std::to_string(100000 + n.Count) : "");
      e.Kept = n.Kept;
    } else {
      // A file of another name (copied in, renamed by hand) sorts by its change time.
      struct stat st {};
      std::time_t t = ::stat(it->path().c_str(), &st) == 0 ? st.st_mtime : 0;
      std::tm local{};
      localtime_r(&t, &local);
      char stamp[32];
      std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", &local);
      e.Stamp = stamp;
    }
    out.push_back(std::move(e));
  }
  std::sort(out.begin(), out.end(), [](const TReplayEntry& a, const TReplayEntry& b) {
    return a.Stamp != b.Stamp ? a.Stamp > b.Stamp : a.File > b.File;
  });
  return out;
}

void ReadEntryHeader(const std::string& dir, TReplayEntry& e) {
  if (e.HeaderRead) return;
  e.HeaderRead = true;
  const std::string path = Slash(dir) + e.File;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    e.Problem = _("not a regular file");
    return;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    e.Problem = _("cannot read the file");
    return;
  }
  std::string head(4096, '\0');
  const ssize_t n = ::read(fd, head.data(), head.size());
  ::close(fd);
  if (n < 0) {
    e.Problem = _("cannot read the file");
    return;
  }
  head.resize(size_t(n));
  std::string reason;
  e.Valid = CheckReplayHeader(head, e.Header, reason);
  if (!e.Valid) e.Problem = reason;
}

bool SetReplayKept(const std::string& dir, TReplayEntry& e, bool kept, std::string& error) {
  TName n;
  if (!ParseName(e.File, n)) {
    error = e.File + ": " + _("not a recording of this game's naming");
    return false;
  }
  if (n.Kept == kept) return true;
  std::string stem = e.File.substr(0, e.File.size() - kExt.size());
  stem = kept ? stem + std::string(kKeep) : stem.substr(0, stem.size() - kKeep.size());
  const std::string to = stem + std::string(kExt);
  // link and unlink: a name in use is never overwritten.
  if (::link((Slash(dir) + e.File).c_str(), (Slash(dir) + to).c_str()) != 0) {
    error = e.File + ": " + Subst(_("cannot rename the file ({reason})"), "{reason}", SystemErrorText(errno));
    return false;
  }
  ::unlink((Slash(dir) + e.File).c_str());
  e.File = to;
  e.Kept = kept;
  return true;
}

bool DeleteReplay(const std::string& dir, const std::string& file, std::string& error) {
  if (file.empty() || file.find('/') != std::string::npos || file == "." || file == ".." || !HasExt(file)) {
    error = file + ": " + _("not a replay file name");
    return false;
  }
  const std::string path = Slash(dir) + file;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    error = file + ": " + _("no such file");
    return false;
  }
  // A link is removed, never what it points to; a folder or a device is no recording.
  if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
    error = file + ": " + _("not a regular file");
    return false;
  }
  if (::unlink(path.c_str()) != 0) {
    error = file + ": " + Subst(_("cannot delete the file ({reason})"), "{reason}", SystemErrorText(errno));
    return false;
  }
  return true;
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
      if (!error.empty()) error += Subst(Tr("\nSaved to {path} instead"), "{path}", path);
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
