#include "net/net_sim.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace kq::net {
namespace {

uint64_t NowUs() {
  return uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(
                      std::chrono::steady_clock::now().time_since_epoch())
                      .count());
}

}  // namespace

TNetSimRelay::~TNetSimRelay() {
  Stop();
}

uint16_t TNetSimRelay::Start(uint32_t targetIp, uint16_t targetPort, const TNetSim& sim, uint64_t seed) {
  sim_ = sim;
  rng_.seed(seed);
  front_ = socket(AF_INET, SOCK_DGRAM, 0);
  back_ = socket(AF_INET, SOCK_DGRAM, 0);
  if (front_ < 0 || back_ < 0) {
    Stop();
    return 0;
  }
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  sockaddr_in t{};
  t.sin_family = AF_INET;
  t.sin_addr.s_addr = htonl(targetIp);
  t.sin_port = htons(targetPort);
  socklen_t len = sizeof a;
  if (bind(front_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      getsockname(front_, reinterpret_cast<sockaddr*>(&a), &len) != 0 ||
      connect(back_, reinterpret_cast<sockaddr*>(&t), sizeof t) != 0) {
    Stop();
    return 0;
  }
  stop_ = false;
  thread_ = std::thread([this] { Run(); });
  return ntohs(a.sin_port);
}

void TNetSimRelay::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (front_ >= 0) close(front_);
  if (back_ >= 0) close(back_);
  front_ = back_ = -1;
}

uint64_t TNetSimRelay::DueAfter(uint64_t nowUs) {
  uint64_t us = uint64_t(std::max(sim_.DelayMs, 0)) * 1000;
  if (sim_.JitterMs > 0)
    us += std::uniform_int_distribution<uint64_t>(0, uint64_t(sim_.JitterMs) * 1000)(rng_);
  return nowUs + us;
}

void TNetSimRelay::Run() {
  std::deque<Pending> queue;
  sockaddr_in client{};
  bool haveClient = false;
  std::vector<uint8_t> buf(65536);
  std::uniform_int_distribution<int> percent(0, 99);
  while (!stop_) {
    const uint64_t now = NowUs();
    // Send what is due, in due order.
    std::stable_sort(queue.begin(), queue.end(),
                     [](const Pending& a, const Pending& b) { return a.DueUs < b.DueUs; });
    while (!queue.empty() && queue.front().DueUs <= now) {
      Pending& p = queue.front();
      if (p.ToTarget)
        (void)send(back_, p.Data.data(), p.Data.size(), 0);
      else if (haveClient)
        (void)sendto(front_, p.Data.data(), p.Data.size(), 0, reinterpret_cast<sockaddr*>(&client),
                     sizeof client);
      queue.pop_front();
    }
    int timeout = 1;
    pollfd fds[2] = {{front_, POLLIN, 0}, {back_, POLLIN, 0}};
    if (poll(fds, 2, timeout) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (!(fds[i].revents & POLLIN)) continue;
      sockaddr_in from{};
      socklen_t fromLen = sizeof from;
      const ssize_t n =
          recvfrom(fds[i].fd, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
      if (n < 0) continue;
      if (i == 0) {
        client = from;
        haveClient = true;
      }
      if (percent(rng_) < sim_.LossPercent) {
        ++dropped_;
        continue;
      }
      queue.push_back({DueAfter(NowUs()), i == 0, std::vector<uint8_t>(buf.begin(), buf.begin() + n)});
    }
  }
}

}  // namespace kq::net
