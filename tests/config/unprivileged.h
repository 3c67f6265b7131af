#pragma once
// Permission tests must run as an ordinary user: root writes into read-only folders. As root,
// the body runs in a child process as nobody; otherwise it runs here.
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace kq::test {

constexpr uid_t kNobody = 65534;

// Inside an unprivileged body: fails the body with the line number.
#define KQ_CHECK(cond)                                                              \
  do {                                                                              \
    if (!(cond)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      return __LINE__;                                                              \
    }                                                                               \
  } while (0)

// Hands folder (and everything in it) to nobody when root, so the body may use it.
inline void GiveToBody(const std::string& folder) {
  if (::geteuid() != 0) return;
  namespace fs = std::filesystem;
  (void)::chown(folder.c_str(), kNobody, kNobody);
  for (auto& e : fs::recursive_directory_iterator(folder)) (void)::lchown(e.path().c_str(), kNobody, kNobody);
}

// 0 when body returned 0 (a failing body's line number is on stderr); -1 when the privileges
// could not be dropped.
template <class F>
int AsOrdinaryUser(F body) {
  if (::geteuid() != 0) return body();
  std::fflush(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) _exit(255);
    const int r = body();
    _exit(r == 0 ? 0 : 1 + r % 250);  // the failing line is on stderr
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) < 0 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status) == 255 ? -1 : WEXITSTATUS(status);
}

}  // namespace kq::test
