#include "net/server_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

namespace kq::net {

uint64_t SteadyMs() {
  return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now().time_since_epoch())
                      .count());
}

TServerSocket::~TServerSocket() {
  if (fd_ >= 0) close(fd_);
}

bool TServerSocket::Open(uint32_t ip, uint16_t port, std::string& error) {
  fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(ip);
  if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    error = "cannot listen on UDP port " + std::to_string(port) + ": " + std::strerror(errno);
    return false;
  }
  // Room for bursts of relayed datagrams while the loop is busy.
  const int size = 4 << 20;
  setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  socklen_t len = sizeof addr;
  getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  return true;
}

void TServerSocket::Serve(TMatchServer& server, const std::atomic<bool>& stop) {
  std::vector<TOutgoing> out;
  uint8_t buf[2048];
  uint64_t lastExpire = SteadyMs(), lastReport = SteadyMs();
  while (!stop) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, 250) < 0 && errno != EINTR) break;
    const uint64_t now = SteadyMs();
    // A bounded batch per wake-up keeps expiry and stopping timely under a flood.
    for (int n = 0; n < 256; ++n) {
      sockaddr_in from{};
      socklen_t len = sizeof from;
      const ssize_t got = recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
      if (got < 0) break;
      if (from.sin_family != AF_INET) continue;
      out.clear();
      server.Receive({ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)},
                     std::span<const uint8_t>(buf, size_t(got)), now, out);
      for (const TOutgoing& o : out) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(o.To.Ip);
        to.sin_port = htons(o.To.Port);
        sendto(fd_, o.Bytes.data(), o.Bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
      }
    }
    if (now - lastExpire >= 500) {
      server.Expire(now);
      lastExpire = now;
    }
    if (ReportEveryMs && now - lastReport >= ReportEveryMs && server.Log) {
      const TServerStats& s = server.Stats();
      server.Log(std::to_string(server.Hosts()) + " hosts, " + std::to_string(server.Relays()) + " relays; " +
                 std::to_string(s.Datagrams) + " datagrams, " + std::to_string(s.Malformed) + " malformed, " +
                 std::to_string(s.RateLimited) + " rate-limited, " + std::to_string(s.Relayed) +
                 " relayed, " + std::to_string(s.RelayDropped) + " relay drops");
      lastReport = now;
    }
  }
}

}  // namespace kq::net
