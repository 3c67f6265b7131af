#include "config/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "engine/errors.h"
#include "engine/i18n.h"

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

bool WriteAll(const TFileOps& ops, int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ops.Write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// A symlinked settings file keeps its link: the new file goes beside the real one. A link that
// leads nowhere is no place to save (errno says why).
bool RealTarget(const std::string& path, std::string& target) {
  target = path;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
  char buf[PATH_MAX];
  if (::realpath(path.c_str(), buf) == nullptr) return false;
  target = buf;
  return true;
}

}  // namespace

std::string WriteErrorText(const std::string& path) {
  return Subst(Tr("Cannot write {path}"), "{path}", path);
}

std::string WriteFailureReason(const std::string& path, int err) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    const bool link = S_ISLNK(st.st_mode);
    if (::stat(path.c_str(), &st) != 0) {
      const int why = errno;
      if (link && why == ELOOP) return _("Symbolic link loop");
      char to[PATH_MAX];
      const ssize_t n = link ? ::readlink(path.c_str(), to, sizeof to - 1) : -1;
      if (why == ENOENT && n > 0)
        return Subst(_("Symbolic link to a missing file \"{target}\""), "{target}",
                     std::string(to, size_t(n)));
    } else if (S_ISDIR(st.st_mode)) {
      return _("Is a directory");
    } else if (S_ISFIFO(st.st_mode)) {
      return _("Is a FIFO (named pipe), not a file");
    } else if (S_ISSOCK(st.st_mode)) {
      return _("Is a socket, not a file");
    } else if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) {
      return _("Is a device, not a file");
    }
  }
  return err ? SystemErrorText(err) : _("unknown error");
}

std::string SystemErrorText(int err) {
  // glibc's own words in English, so an English message reads as before.
  switch (err) {
    case EACCES:
      return _("Permission denied");
    case EPERM:
      return _("Operation not permitted");
    case EROFS:
      return _("Read-only file system");
    case ENOSPC:
      return _("No space left on device");
    case EDQUOT:
      return _("Disk quota exceeded");
    case ENOENT:
      return _("No such file or directory");
    case ENOTDIR:
      return _("Not a directory");
    case EISDIR:
      return _("Is a directory");
    case EIO:
      return _("Input/output error");
    case ENAMETOOLONG:
      return _("File name too long");
    case ELOOP:
      return _("Too many levels of symbolic links");
    case EEXIST:
      return _("File exists");
    case EBUSY:
      return _("Device or resource busy");
    default:
      return std::strerror(err);
  }
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

namespace {

// Who should own a file written to target: the owner of the file it replaces, or for a new file
// made by root the owner of the folder, so a run as root never takes a user's files away.
bool WantedOwner(bool exists, const struct stat& old, const std::string& dir, uid_t& uid, gid_t& gid) {
  if (exists) {
    uid = old.st_uid;
    gid = old.st_gid;
    return true;
  }
  struct stat d {};
  if (::geteuid() != 0 || ::stat(dir.empty() ? "." : dir.c_str(), &d) != 0 || d.st_uid == 0) return false;
  uid = d.st_uid;
  gid = d.st_gid;
  return true;
}

// Best effort: root may give the file away, others may at most pick one of their groups.
void KeepOwner(int fd, uid_t uid, gid_t gid) {
  struct stat now {};
  if (::fstat(fd, &now) != 0 || (now.st_uid == uid && now.st_gid == gid)) return;
  if (::fchown(fd, uid, gid) != 0 && now.st_gid != gid) (void)::fchown(fd, uid_t(-1), gid);
}

void SyncFolder(const TFileOps& ops, const std::string& dir) {
  TFd d(::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (d.Get() >= 0) (void)ops.Fsync(d.Get());
}

// ".<name>.<pid>.<n>.tmp": name and pid.
bool IsOurTemporaryName(const std::string& entry, std::string& name, pid_t& pid) {
  if (entry.size() < 9 || entry[0] != '.' || entry.compare(entry.size() - 4, 4, ".tmp") != 0) return false;
  const size_t n = entry.rfind('.', entry.size() - 5);
  if (n == std::string::npos || n == 0) return false;
  const size_t p = entry.rfind('.', n - 1);
  if (p == std::string::npos || p < 2) return false;
  auto digits = [&](size_t from, size_t to) {
    if (from >= to || to - from > 9) return false;
    for (size_t i = from; i < to; ++i)
      if (entry[i] < '0' || entry[i] > '9') return false;
    return true;
  };
  if (!digits(p + 1, n) || !digits(n + 1, entry.size() - 4)) return false;
  name = entry.substr(1, p - 1);
  pid = pid_t(std::strtol(entry.substr(p + 1, n - p - 1).c_str(), nullptr, 10));
  return pid > 0;
}

}  // namespace

const TFileOps& SystemFileOps() {
  static const TFileOps ops{[](int fd, const void* data, size_t size) { return ::write(fd, data, size); },
                            [](int fd) { return ::fsync(fd); }};
  return ops;
}

std::string TemporaryName(const std::string& name, long pid, int n) {
  return "." + name + "." + std::to_string(pid) + "." + std::to_string(n) + ".tmp";
}

int RemoveStaleTemporariesIn(const std::string& folder,
                             const std::function<bool(const std::string&)>& isOurs) {
  const std::string dir = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return 0;
  int removed = 0;
  while (dirent* e = ::readdir(d)) {
    pid_t pid = 0;
    std::string name;
    if (!IsOurTemporaryName(e->d_name, name, pid) || !isOurs(name)) continue;
    // A live process of that number may be saving right now.
    if (pid != ::getpid() && (::kill(pid, 0) == 0 || errno == EPERM)) continue;
    const std::string full = dir + e->d_name;
    struct stat st {};
    if (::lstat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(full.c_str()) == 0) ++removed;
  }
  ::closedir(d);
  return removed;
}

int RemoveStaleTemporaries(const std::string& path) {
  std::string target;
  if (!RealTarget(path, target)) return 0;
  const size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  return RemoveStaleTemporariesIn(dir, [&](const std::string& n) { return n == name; });
}

void ReplaceFile(const std::string& path, std::string_view bytes, const TFileOps& ops) {
  std::string target;
  if (!RealTarget(path, target)) throw EWriteError(WriteErrorText(path), errno);
  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (exists && !S_ISREG(old.st_mode))
    throw EWriteError(WriteErrorText(path), S_ISDIR(old.st_mode) ? EISDIR : EINVAL);
  if (exists && ::access(target.c_str(), W_OK) != 0) throw EWriteError(WriteErrorText(path), errno);

  const size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);

  // O_EXCL with a per-process name instead of mkstemp, so the umask applies to a new file.
  std::string temp;
  int raw = -1;
  for (int n = 0; n < 100 && raw < 0; ++n) {
    temp = dir + TemporaryName(name, long(::getpid()), n);
    raw = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (raw < 0 && errno != EEXIST) break;
  }
  if (raw < 0) throw EWriteError(WriteErrorText(path), errno);

  TFd fd(raw);
  int err = 0;
  auto step = [&](bool ok) {
    if (!ok && err == 0) err = errno ? errno : EIO;
    return ok;
  };
  bool ok = step(WriteAll(ops, fd.Get(), bytes));
  uid_t uid = 0;
  gid_t gid = 0;
  if (ok && WantedOwner(exists, old, dir, uid, gid)) KeepOwner(fd.Get(), uid, gid);
  // After the owner: chown may clear set-id bits.
  if (ok && exists) ok = step(::fchmod(fd.Get(), old.st_mode & 07777) == 0);
  ok = ok && step(ops.Fsync(fd.Get()) == 0);
  ok = step(fd.Close()) && ok;
  ok = ok && step(::rename(temp.c_str(), target.c_str()) == 0);
  if (!ok) {
    ::unlink(temp.c_str());
    throw EWriteError(WriteErrorText(path), err);
  }
  // The new name must survive a power loss too.
  SyncFolder(ops, dir);
}

}  // namespace kq
