// The match server relaying many simulated matches at once on the loopback: every match a host
// and a guest socket of their own address in 127.0.0.0/8 (so the per-address limits stay as
// shipped), each sending about 2 KB a second (30 datagrams of 68 bytes, the size of a match's
// input packets) through the relay. Prints the server thread's CPU, the CPU per 100 matches,
// the matches one core would hold at that cost, and the share of datagrams delivered.
//   server_bench [MATCHES] [SECONDS]   (default 500 matches for 5 s)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "net/match_server.h"
#include "net/server_socket.h"

namespace {

using namespace kq::net;

int Bind(uint32_t ip) {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(ip);
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    std::perror("server_bench: bind");
    std::exit(1);
  }
  return fd;
}

void SendTo(int fd, uint16_t port, const std::vector<uint8_t>& b) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(0x7F000001);
  to.sin_port = htons(port);
  sendto(fd, b.data(), b.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

// Reads what waits on fd; returns the number of datagrams and the last one.
int Drain(int fd, std::vector<uint8_t>* last = nullptr) {
  int n = 0;
  uint8_t buf[2048];
  for (;;) {
    const ssize_t got = recv(fd, buf, sizeof buf, 0);
    if (got < 0) return n;
    ++n;
    if (last) last->assign(buf, buf + got);
  }
}

double ThreadCpuSeconds(clockid_t c) {
  timespec t{};
  clock_gettime(c, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  const int matches = argc > 1 ? std::atoi(argv[1]) : 500;
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 5;
  if (matches < 1 || matches > 5000 || seconds < 1 || seconds > 60) {
    std::fprintf(stderr, "usage: server_bench [MATCHES 1-5000] [SECONDS 1-60]\n");
    return 2;
  }
  rlimit lim{};
  getrlimit(RLIMIT_NOFILE, &lim);
  lim.rlim_cur = lim.rlim_max;
  setrlimit(RLIMIT_NOFILE, &lim);

  TServerLimits limits;
  limits.MaxRelays = size_t(matches) + 16;
  uint64_t seed = 7;
  TMatchServer server(limits, [&] { return seed = seed * 6364136223846793005ull + 1442695040888963407ull; });
  TServerSocket sock;
  std::string err;
  if (!sock.Open(0x7F000001, 0, err)) {
    std::fprintf(stderr, "server_bench: %s\n", err.c_str());
    return 1;
  }
  std::atomic<bool> stop{false};
  std::atomic<clockid_t> serverClock{};
  std::atomic<bool> clockReady{false};
  std::thread serving([&] {
    clockid_t c;
    pthread_getcpuclockid(pthread_self(), &c);
    serverClock = c;
    clockReady = true;
    sock.Serve(server, stop);
  });
  while (!clockReady) std::this_thread::sleep_for(std::chrono::milliseconds(1));

  // Each match: a host at 127.1.x.y registers, a guest at 127.2.x.y asks for the relay.
  std::vector<int> hosts, guests;
  for (int i = 0; i < matches; ++i) {
    hosts.push_back(Bind(0x7F010000u + uint32_t(i) + 1));
    guests.push_back(Bind(0x7F020000u + uint32_t(i) + 1));
  }
  int relayed = 0;
  for (int i = 0; i < matches; ++i) {
    std::vector<uint8_t> reply;
    for (int tries = 0; tries < 50 && reply.empty(); ++tries) {
      SendTo(hosts[size_t(i)], sock.Port(), EncodeLobby(TRegister{uint32_t(i), {}}));
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      Drain(hosts[size_t(i)], &reply);
    }
    const auto reg = DecodeLobby(reply);
    if (!reg || !std::holds_alternative<TRegistered>(*reg)) continue;
    reply.clear();
    for (int tries = 0; tries < 50 && reply.empty(); ++tries) {
      SendTo(guests[size_t(i)], sock.Port(), EncodeLobby(TRelayRequest{1, std::get<TRegistered>(*reg).Code}));
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      Drain(guests[size_t(i)], &reply);
    }
    if (!reply.empty()) ++relayed;
    Drain(hosts[size_t(i)]);  // the introduction-free relay sends the host nothing; stay clean
  }
  if (relayed != matches)
    std::fprintf(stderr, "server_bench: only %d of %d relays set up\n", relayed, matches);

  // 30 datagrams a second each way per match, spread over the second.
  const std::vector<uint8_t> packet(68, 0x80);
  long sent = 0, received = 0;
  const double cpu0 = ThreadCpuSeconds(serverClock);
  const auto start = std::chrono::steady_clock::now();
  const auto end = start + std::chrono::seconds(seconds);
  long round = 0;
  while (std::chrono::steady_clock::now() < end && round < long(seconds) * 30 + 30) {
    const auto due = start + std::chrono::microseconds(round * 1000000 / 30);
    std::this_thread::sleep_until(due);
    for (int i = 0; i < matches; ++i) {
      SendTo(hosts[size_t(i)], sock.Port(), packet);
      SendTo(guests[size_t(i)], sock.Port(), packet);
      sent += 2;
      received += Drain(hosts[size_t(i)]) + Drain(guests[size_t(i)]);
    }
    ++round;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  for (int i = 0; i < matches; ++i) received += Drain(hosts[size_t(i)]) + Drain(guests[size_t(i)]);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = ThreadCpuSeconds(serverClock) - cpu0;
  stop = true;
  serving.join();
  for (int fd : hosts) close(fd);
  for (int fd : guests) close(fd);

  const double share = cpu / wall;  // of one core
  const double per100 = share * 100.0 / matches;
  std::printf("match server relaying %d matches (about 2 KB/s each way) for %.1f s\n", relayed, wall);
  std::printf("  server thread CPU: %.1f %% of one core\n", share * 100);
  std::printf("  per 100 matches: %.2f %% of one core\n", per100 * 100);
  std::printf("  one core would hold about %.0f matches at this cost (goal: at least 500)\n",
              per100 > 0 ? 100.0 / per100 : 0.0);
  std::printf("  datagrams delivered: %ld of %ld (%.2f %%), relay drops %llu\n", received, sent,
              sent ? 100.0 * double(received) / double(sent) : 0.0,
              static_cast<unsigned long long>(server.Stats().RelayDropped));
  return 0;
}
