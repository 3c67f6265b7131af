#include "engine/paths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "engine/image_list.h"

namespace kq {

namespace {

bool IsDir(const std::string& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Entry of dir whose name matches want without regard to case; exact matches win.
std::string MatchEntry(const std::string& dir, const std::string& want) {
  struct stat st {};
  if (::lstat((dir + want).c_str(), &st) == 0) return want;
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return {};
  std::string found;
  while (dirent* e = ::readdir(d)) {
    if (SameText(e->d_name, want)) {
      found = e->d_name;
      break;
    }
  }
  ::closedir(d);
  return found;
}

}  // namespace

std::string ResolvePath(const std::string& base, std::string_view rel) {
  std::vector<std::string> parts;
  std::string cur;
  for (char ch : rel) {
    if (ch == '\\' || ch == '/') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += ch;
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  std::string path = base;
  bool resolving = true;
  for (size_t i = 0; i < parts.size(); ++i) {
    std::string name = parts[i];
    if (resolving && name != "." && name != "..") {
      std::string m = MatchEntry(path, name);
      if (m.empty())
        resolving = false;
      else
        name = m;
    }
    path += name;
    if (i + 1 < parts.size()) {
      path += '/';
      if (resolving && !IsDir(path.substr(0, path.size() - 1))) resolving = false;
    }
  }
  return path;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string ExecutableFolder() {
  std::vector<char> buf(4096);
  ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return "./";
  std::string p(buf.data(), size_t(n));
  size_t slash = p.rfind('/');
  return slash == std::string::npos ? "./" : p.substr(0, slash + 1);
}

std::string ExecutableBaseName() {
  std::vector<char> buf(4096);
  ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return "kq001";
  std::string p(buf.data(), size_t(n));
  size_t slash = p.rfind('/');
  std::string name = slash == std::string::npos ? p : p.substr(slash + 1);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

std::string TempFolder() {
  const char* t = std::getenv("TMPDIR");
  std::string dir = (t && *t) ? t : "/tmp";
  if (dir.size() > 256) dir.resize(256);
  if (dir.back() != '/') dir += '/';
  return dir;
}

}  // namespace kq
