#include "net/lan_search.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "net/transport.h"

namespace kq::net {

std::vector<TAddr> EnvironmentTargets(const char* list) {
  std::vector<TAddr> out;
  if (!list) return out;
  const std::string text = list;
  size_t from = 0;
  while (from <= text.size() && out.size() < 16) {
    size_t comma = text.find(',', from);
    if (comma == std::string::npos) comma = text.size();
    if (auto a = ParseAddr(text.substr(from, comma - from), kDefaultPort)) out.push_back(*a);
    from = comma + 1;
  }
  return out;
}

std::vector<TAddr> BroadcastTargets(uint16_t port) {
  std::vector<TAddr> out{{0xffffffffu, port}};
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return out;
  for (ifaddrs* a = list; a; a = a->ifa_next) {
    if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET || !a->ifa_netmask ||
        !(a->ifa_flags & IFF_BROADCAST) || (a->ifa_flags & IFF_LOOPBACK))
      continue;
    // From the address and mask: an interface set up without a broadcast address has none to read.
    const uint32_t ip = ntohl(reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr.s_addr);
    const uint32_t mask = ntohl(reinterpret_cast<const sockaddr_in*>(a->ifa_netmask)->sin_addr.s_addr);
    if (mask == 0xffffffffu || mask == 0) continue;
    const TAddr t{ip | ~mask, port};
    if (std::find(out.begin(), out.end(), t) == out.end()) out.push_back(t);
  }
  freeifaddrs(list);
  return out;
}

std::string PrintableText(const std::string& s, size_t max) {
  std::string out;
  for (char c : s)
    if (c >= 0x20 && c < 0x7f && out.size() < max) out.push_back(c);
  return out;
}

TLanSearch::TLanSearch(std::vector<TAddr> targets) : targets_(std::move(targets)) {
  if (targets_.empty()) targets_ = EnvironmentTargets(std::getenv("KQ001_LAN_TARGETS"));
  if (targets_.empty()) targets_ = BroadcastTargets(kDefaultPort);
  fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd_ < 0) {
    error_ = std::string("cannot open a network socket: ") + std::strerror(errno);
    return;
  }
  const int on = 1;
  setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  if (getrandom(&nonce_, sizeof nonce_, 0) != sizeof nonce_) nonce_ = uint32_t(getpid()) * 2654435761u;
  Ask();
}

TLanSearch::~TLanSearch() {
  if (fd_ >= 0) close(fd_);
}

void TLanSearch::Ask() {
  if (fd_ < 0) return;
  const std::vector<uint8_t> q = EncodeLobby(TLanQuery{nonce_});
  bool sent = false;
  for (const TAddr& t : targets_) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(t.Ip);
    to.sin_port = htons(t.Port);
    if (sendto(fd_, q.data(), q.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) >= 0) sent = true;
  }
  if (!sent) error_ = "cannot search the local network: " + std::string(std::strerror(errno));
}

void TLanSearch::Poll(uint32_t waitMs) {
  if (fd_ < 0) return;
  pollfd p{fd_, POLLIN, 0};
  if (poll(&p, 1, int(waitMs)) <= 0) return;
  for (int n = 0; n < 64; ++n) {
    uint8_t buf[kMaxLobbyDatagram + 1];
    sockaddr_in from{};
    socklen_t len = sizeof from;
    const ssize_t got = recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (got < 0) break;
    const auto m = DecodeLobby(std::span<const uint8_t>(buf, size_t(got)));
    const auto* info = m ? std::get_if<TLanInfo>(&*m) : nullptr;
    if (!info || info->Nonce != nonce_ || info->Port == 0) continue;
    TLanGame g;
    g.Addr = {ntohl(from.sin_addr.s_addr), info->Port};
    g.Name = PrintableText(info->Name, 24);
    g.Version = PrintableText(info->Version, 16);
    g.Busy = info->Busy;
    auto same =
        std::find_if(games_.begin(), games_.end(), [&](const TLanGame& x) { return x.Addr == g.Addr; });
    if (same != games_.end())
      *same = g;
    else if (games_.size() < 32)
      games_.push_back(g);
  }
}

}  // namespace kq::net
