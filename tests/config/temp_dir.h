#pragma once
// A fresh folder per test, removed afterwards, with whole-file helpers.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kq::test {

class TTempDir {
 public:
  TTempDir() {
    std::string templ = std::filesystem::temp_directory_path().string() + "/kqcfgXXXXXX";
    if (char* p = ::mkdtemp(templ.data())) path_ = p;
  }
  ~TTempDir() {
    ::chmod(path_.c_str(), 0700);
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  std::string Path(const std::string& name) const { return path_ + "/" + name; }
  const std::string& Dir() const { return path_; }
  // Entries in the folder, to catch temporary files left behind.
  int Count() const {
    int n = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(path_)) ++n;
    return n;
  }

 private:
  std::string path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << bytes;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// chmod does not stop root, so tests of an unwritable folder check that it really is one.
inline bool FolderRefusesWrites(const std::string& dir) {
  std::string probe = dir + "/.probe";
  std::ofstream f(probe);
  if (!f) return true;
  f.close();
  ::unlink(probe.c_str());
  return false;
}

}  // namespace kq::test
