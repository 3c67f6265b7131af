#include "config/user_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "config/file_io.h"
#include "config/hiscore.h"
#include "engine/paths.h"

namespace kq {

namespace {

constexpr const char* kFolderName = "kq001/";

std::optional<std::string> Env(const char* name) {
  const char* v = std::getenv(name);
  if (!v) return std::nullopt;
  return std::string(v);
}

bool Absolute(const std::optional<std::string>& v) {
  return v && !v->empty() && (*v)[0] == '/';
}

std::string WithSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

// The XDG rule: an absolute value, else the default below $HOME, else nothing.
std::string XdgBase(const std::optional<std::string>& value, const TUserEnv& env, const char* underHome) {
  if (Absolute(value)) return WithSlash(*value);
  if (Absolute(env.Home)) return WithSlash(*env.Home) + underHome;
  return {};
}

bool Exists(const std::string& path, struct stat& st) {
  return ::stat(path.c_str(), &st) == 0;
}

bool Writable(const std::string& path) {
  return ::access(path.c_str(), W_OK) == 0;
}

std::string ParentOf(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  size_t slash = p.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : p.substr(0, slash);
}

TUserFile Place(const std::string& appPath, const std::string& name, const std::string& userFolder,
                TCopyKind kind, const TUserFileCheck& valid) {
  TUserFile f;
  const std::string beside = ResolvePath(appPath, name);
  struct stat st {};
  const bool besideExists = Exists(beside, st);
  const bool besideOk =
      kind == TCopyKind::Portable && Writable(appPath) && (!besideExists || Writable(beside));
  const std::string user = userFolder.empty() ? std::string() : userFolder + name;
  f.UserPlace = user;
  if (besideOk || user.empty()) {
    f.WritePlaces.push_back(beside);
    if (!user.empty()) f.WritePlaces.push_back(user);
  } else {
    f.WritePlaces = {user, beside};
  }
  // A copy beside the program reads only its own files: a portable copy never takes over the
  // installed game's, unless its own save had to go there; then the newer copy counts, so a
  // moved save is never shadowed by the older one it stood in for. In the user folder, a first
  // run starts from the file beside the program.
  const bool fromBeside = f.WritePlaces.front() == beside;
  std::vector<std::string> readable{f.WritePlaces.front()};
  if (f.WritePlaces.size() > 1 && (!fromBeside || StandsIn(f))) readable.push_back(f.WritePlaces[1]);
  for (const std::string& place : readable) {
    if (!f.ReadPath.empty() && !fromBeside) break;
    if (!Exists(place, st) || !S_ISREG(st.st_mode)) continue;
    const int64_t t = ModifiedTime(place);
    if (!f.ReadPath.empty() && t <= f.ReadTime) continue;
    std::string bytes;
    if (ReadFileBytes(place, bytes) != TReadResult::Ok || (valid && !valid(bytes))) continue;
    f.ReadPath = place;
    f.ReadTime = t;
  }
  // No good copy anywhere: the first file there is still the one read (and repaired by the save).
  for (size_t i = 0; i < readable.size() && f.ReadPath.empty(); ++i)
    if (Exists(readable[i], st) && S_ISREG(st.st_mode)) {
      f.ReadPath = readable[i];
      f.ReadTime = ModifiedTime(readable[i]);
    }
  return f;
}

}  // namespace

TUserEnv TUserEnv::FromProcess() {
  TUserEnv e;
  e.Home = Env("HOME");
  e.XdgConfigHome = Env("XDG_CONFIG_HOME");
  e.XdgDataHome = Env("XDG_DATA_HOME");
  e.XdgDataDirs = Env("XDG_DATA_DIRS");
  return e;
}

std::string UserConfigFolder(const TUserEnv& env) {
  std::string base = XdgBase(env.XdgConfigHome, env, ".config/");
  return base.empty() ? base : base + kFolderName;
}

std::string UserDataFolder(const TUserEnv& env) {
  std::string base = XdgBase(env.XdgDataHome, env, ".local/share/");
  return base.empty() ? base : base + kFolderName;
}

std::vector<std::string> SystemDataFolders(const TUserEnv& env) {
  std::string list =
      env.XdgDataDirs && !env.XdgDataDirs->empty() ? *env.XdgDataDirs : "/usr/local/share:/usr/share";
  std::vector<std::string> out;
  size_t at = 0;
  while (at <= list.size()) {
    size_t colon = list.find(':', at);
    if (colon == std::string::npos) colon = list.size();
    std::string entry = list.substr(at, colon - at);
    if (!entry.empty() && entry[0] == '/') out.push_back(WithSlash(entry) + kFolderName);
    at = colon + 1;
  }
  return out;
}

int64_t ModifiedTime(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return -1;
  return int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

std::string StandInNotePath(const TUserFile& f) {
  return f.UserPlace.empty() ? std::string() : f.UserPlace + ".from";
}

bool StandsIn(const TUserFile& f) {
  const std::string note = StandInNotePath(f);
  std::string text;
  if (note.empty() || f.Chosen() == f.UserPlace || ReadFileBytes(note, text) != TReadResult::Ok) return false;
  return text == f.Chosen() + "\n";
}

void NoteSavedPlace(const TUserFile& f, const std::string& place) {
  if (f.UserPlace.empty() || f.Chosen() == f.UserPlace) return;  // the chosen place is the user's own
  if (place == f.UserPlace) {
    if (!StandsIn(f)) ReplaceFile(StandInNotePath(f), f.Chosen() + "\n");
  } else if (place == f.Chosen() && StandsIn(f)) {
    ::unlink(StandInNotePath(f).c_str());
  }
}

const std::string& TUserFile::Chosen() const {
  static const std::string none;
  return WritePlaces.empty() ? none : WritePlaces.front();
}

bool FolderCanTakeFiles(const std::string& folder) {
  std::string p = folder;
  struct stat st {};
  for (int depth = 0; depth < 64; ++depth) {
    if (::stat(p.c_str(), &st) == 0) return S_ISDIR(st.st_mode) && ::access(p.c_str(), W_OK | X_OK) == 0;
    if (errno != ENOENT) return false;
    if (p == "/" || p == ".") return false;
    p = ParentOf(p);
  }
  return false;
}

bool MakeUserFolder(const std::string& path) {
  const std::string dir = ParentOf(path);
  struct stat st {};
  if (::stat(dir.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return true;
    errno = ENOTDIR;
    return false;
  }
  if (errno != ENOENT) return false;
  if (dir != "/" && !MakeUserFolder(dir)) return false;
  return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

TUserFiles ResolveUserFiles(const std::string& appPath, const std::string& baseName, const TUserEnv& env,
                            TCopyKind kind) {
  TUserFiles u;
  const std::string config = UserConfigFolder(env), data = UserDataFolder(env);
  u.Ini = Place(appPath, baseName + ".INI", config, kind, {});
  u.Hi = Place(appPath, baseName + ".HI", data, kind, [](std::string_view bytes) {
    THiScoreTable t{};
    return ParseHiScores(bytes, t);
  });
  u.BesideProgram = u.Ini.Chosen().rfind(appPath, 0) == 0 && u.Hi.Chosen().rfind(appPath, 0) == 0;
  std::string why;
  if (config.empty() || data.empty())
    why = "no user folder ($HOME is not set)";
  else if (!FolderCanTakeFiles(config) || !FolderCanTakeFiles(data))
    why = "cannot write the user folders " + config + " and " + data;
  if (!why.empty())
    u.Warning = "kq001: " + why +
                (Writable(appPath) ? "; settings and scores are kept beside the executable only"
                                   : "; settings and scores may not be kept");
  return u;
}

}  // namespace kq
