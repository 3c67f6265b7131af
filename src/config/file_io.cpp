#include "config/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "engine/errors.h"

namespace kq {

namespace {

class TFd {
 public:
  explicit TFd(int fd) : fd_(fd) {}
  ~TFd() { Close(); }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int Get() const { return fd_; }
  bool Close() {
    if (fd_ < 0) return true;
    int r = ::close(fd_);
    fd_ = -1;
    return r == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// A symlinked settings file keeps its link: the new file goes beside the real one.
std::string RealTarget(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char buf[PATH_MAX];
  if (::realpath(path.c_str(), buf) == nullptr) return path;
  return buf;
}

}  // namespace

std::string WriteErrorText(const std::string& path) {
  return path + " に書き込めません";
}

TReadResult ReadFileBytes(const std::string& path, std::string& out) {
  out.clear();
  TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));  // a FIFO must not hang start-up
  if (fd.Get() < 0) return errno == ENOENT || errno == ENOTDIR ? TReadResult::Missing : TReadResult::Failed;
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) return TReadResult::Failed;
  if (!S_ISREG(st.st_mode)) return TReadResult::Missing;  // a folder of that name is no file
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd.Get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      out.clear();
      return TReadResult::Failed;
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  return TReadResult::Ok;
}

void ReplaceFile(const std::string& path, std::string_view bytes) {
  const std::string target = RealTarget(path);
  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (exists && (!S_ISREG(old.st_mode) || ::access(target.c_str(), W_OK) != 0))
    throw EWriteError(WriteErrorText(path));

  const size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);

  // O_EXCL with a per-process name instead of mkstemp, so the umask applies to a new file.
  std::string temp;
  int raw = -1;
  for (int n = 0; n < 100 && raw < 0; ++n) {
    temp = dir + "." + name + "." + std::to_string(::getpid()) + "." + std::to_string(n) + ".tmp";
    raw = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (raw < 0 && errno != EEXIST) break;
  }
  if (raw < 0) throw EWriteError(WriteErrorText(path));

  TFd fd(raw);
  bool ok = WriteAll(fd.Get(), bytes);
  if (ok && exists) ok = ::fchmod(fd.Get(), old.st_mode & 07777) == 0;
  ok = ok && ::fsync(fd.Get()) == 0;
  ok = fd.Close() && ok;
  ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    throw EWriteError(WriteErrorText(path));
  }
}

}  // namespace kq
