// kq001-server: invite codes, introductions and relaying for network matches, over one UDP
// socket. Nothing is stored; log lines go to stderr (the journal under systemd).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/random.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "net/match_server.h"
#include "net/server_socket.h"

namespace {

const char* kUsage =
    "usage: kq001-server [--port N] [--bind ADDRESS] [--max-hosts N] [--max-relays N]\n"
    "                    [--relay-kbps N] [--idle-minutes N]\n"
    "\n"
    "The match server of kq001's network play: hosts get invite codes, guests join by code,\n"
    "the server introduces the two so their games can open a path through their routers, and\n"
    "relays the match when no path opens. It never sees a game's state and stores nothing.\n"
    "\n"
    "  --port N          UDP port (default 7700)\n"
    "  --bind ADDRESS    IPv4 address to listen on (default all)\n"
    "  --max-hosts N     hosts waiting or playing at once (default 4096)\n"
    "  --max-relays N    matches relayed at once (default 1024)\n"
    "  --relay-kbps N    relayed kilobytes a second per match and direction (default 16)\n"
    "  --idle-minutes N  a code expires when its host was not heard this long (default 10)\n"
    "  --help            this text\n"
    "  --version         the version\n";

std::atomic<bool> gStop{false};
void OnSignal(int) {
  gStop = true;
}

uint64_t Random64() {
  uint64_t v = 0;
  size_t got = 0;
  while (got < sizeof v) {
    const ssize_t n = getrandom(reinterpret_cast<char*>(&v) + got, sizeof v - got, 0);
    if (n > 0)
      got += size_t(n);
    else if (errno != EINTR) {
      std::fprintf(stderr, "kq001-server: no random numbers: %s\n", std::strerror(errno));
      std::exit(1);
    }
  }
  return v;
}

bool Number(const char* s, long lo, long hi, long& out) {
  const char* end = s + std::strlen(s);
  auto [p, ec] = std::from_chars(s, end, out);
  return *s && ec == std::errc() && p == end && out >= lo && out <= hi;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kq::net;
  TServerLimits limits;
  long port = kServerPort;
  std::string bindText;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    long v = 0;
    auto value = [&](long lo, long hi) {
      if (i + 1 >= argc || !Number(argv[i + 1], lo, hi, v)) {
        std::fprintf(stderr, "kq001-server: %s needs a number from %ld to %ld\n%s", a.c_str(), lo, hi,
                     kUsage);
        std::exit(2);
      }
      ++i;
      return v;
    };
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--version") {
      std::printf("kq001-server %s\n", KQ_VERSION);
      return 0;
    } else if (a == "--port") {
      port = value(1, 65535);
    } else if (a == "--bind" && i + 1 < argc) {
      bindText = argv[++i];
    } else if (a == "--max-hosts") {
      limits.MaxHosts = size_t(value(1, 1000000));
    } else if (a == "--max-relays") {
      limits.MaxRelays = size_t(value(0, 1000000));
    } else if (a == "--relay-kbps") {
      limits.RelayBytesPerSecond = double(value(1, 100000)) * 1024;
      limits.RelayBurstBytes = limits.RelayBytesPerSecond * 4;
    } else if (a == "--idle-minutes") {
      limits.HostIdleMs = uint64_t(value(1, 24 * 60)) * 60000;
    } else {
      std::fprintf(stderr, "kq001-server: unknown option %s\n%s", a.c_str(), kUsage);
      return 2;
    }
  }

  in_addr bindIp{};
  bindIp.s_addr = htonl(INADDR_ANY);
  if (!bindText.empty() && inet_pton(AF_INET, bindText.c_str(), &bindIp) != 1) {
    std::fprintf(stderr, "kq001-server: --bind needs an IPv4 address, not %s\n", bindText.c_str());
    return 2;
  }
  TServerSocket sock;
  std::string error;
  if (!sock.Open(ntohl(bindIp.s_addr), uint16_t(port), error)) {
    std::fprintf(stderr, "kq001-server: %s\n", error.c_str());
    return 1;
  }
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);

  TMatchServer server(limits, Random64);
  server.Log = [](const std::string& line) { std::fprintf(stderr, "kq001-server: %s\n", line.c_str()); };
  std::fprintf(stderr, "kq001-server: listening on UDP port %u\n", unsigned(sock.Port()));
  sock.ReportEveryMs = 600000;
  sock.Serve(server, gStop);
  std::fprintf(stderr, "kq001-server: stopping\n");
  return 0;
}
