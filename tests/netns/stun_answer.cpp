// A STUN binding responder for the namespace internet: the router that runs miniupnpd learns
// its public address from it (miniupnpd offers port mappings only once it knows one that is not
// a documentation or private address, or has asked STUN). It answers every binding request from
// its one address, whatever change the request asks for: seen from the router, a network
// without filtering.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: stun_answer ADDRESS PORT\n");
    return 2;
  }
  const int fd = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in me{};
  me.sin_family = AF_INET;
  me.sin_port = htons(uint16_t(std::atoi(argv[2])));
  if (fd < 0 || inet_pton(AF_INET, argv[1], &me.sin_addr) != 1 ||
      bind(fd, reinterpret_cast<sockaddr*>(&me), sizeof me) != 0) {
    std::perror("stun_answer");
    return 1;
  }
  // Lives as long as its namespace's test: a bounded number of hours at most.
  for (long turn = 0; turn < 4L * 3600 * 10; ++turn) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    unsigned char in[576];
    sockaddr_in from{};
    socklen_t len = sizeof from;
    const ssize_t n = recvfrom(fd, in, sizeof in, 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 20 || in[0] != 0x00 || in[1] != 0x01) continue;  // binding requests only
    unsigned char out[32] = {0x01, 0x01, 0x00, 0x0C};
    std::memcpy(out + 4, in + 4, 16);  // magic cookie and transaction id
    const uint16_t port = ntohs(from.sin_port) ^ 0x2112;
    const uint32_t ip = ntohl(from.sin_addr.s_addr) ^ 0x2112A442u;
    const unsigned char attr[12] = {0x80,
                                    0x20,
                                    0x00,
                                    0x08,
                                    0x00,
                                    0x01,
                                    uint8_t(port >> 8),
                                    uint8_t(port),
                                    uint8_t(ip >> 24),
                                    uint8_t(ip >> 16),
                                    uint8_t(ip >> 8),
                                    uint8_t(ip)};
    std::memcpy(out + 20, attr, sizeof attr);
    sendto(fd, out, 32, 0, reinterpret_cast<sockaddr*>(&from), len);
  }
  return 0;
}
