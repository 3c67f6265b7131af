// Any bytes as datagrams to the match server, from a few addresses: decoding never trusts more
// than it holds, what decodes reads back the same, and the server never answers a sender with
// more bytes than it sent (a forged sender gains nothing) nor forwards what it did not relay.
#include <cstdint>
#include <memory>
#include <vector>

#include "fuzz_check.h"
#include "net/match_server.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kq::net;
  const std::span<const uint8_t> all(data, size);
  if (auto m = DecodeLobby(all)) {
    auto again = DecodeLobby(EncodeLobby(*m));
    KQ_FUZZ_CHECK(again.has_value());
    KQ_FUZZ_CHECK(*again == *m);
  }
  // The input split at 0xFF bytes: each piece a datagram; its first byte picks the sender and
  // the clock step, so a host can register and a guest join or relay by the code it was given.
  auto server = std::make_unique<TMatchServer>(
      TServerLimits{}, [n = uint64_t(1)]() mutable { return n += 0x9E3779B97F4A7C15ull; });
  std::vector<TOutgoing> out;
  uint64_t now = 1;
  std::string lastCode;
  size_t start = 0;
  for (size_t i = 0; i <= size; ++i) {
    if (i < size && data[i] != 0xFF) continue;
    std::span<const uint8_t> piece = all.subspan(start, i - start);
    start = i + 1;
    if (piece.empty()) continue;
    const uint8_t pick = piece[0];
    piece = piece.subspan(1);
    const TAddr from{0x0A000001u + (pick & 3u), uint16_t(1000 + (pick >> 2 & 3))};
    now += uint64_t(pick >> 4) * 997;
    std::vector<uint8_t> bytes(piece.begin(), piece.end());
    // A piece that starts with 'J' or 'R' becomes a join or relay request for the last code.
    if (!bytes.empty() && (bytes[0] == 'J' || bytes[0] == 'R') && !lastCode.empty()) {
      bytes = bytes[0] == 'J' ? EncodeLobby(TJoin{1, lastCode}) : EncodeLobby(TRelayRequest{1, lastCode});
    } else if (!bytes.empty() && bytes[0] == 'G') {
      bytes = EncodeLobby(TRegister{1, {}});
    }
    out.clear();
    server->Receive(from, bytes, now, out);
    const bool lobby = IsLobbyDatagram(bytes);
    for (const TOutgoing& o : out) {
      if (lobby) {
        if (o.To == from) KQ_FUZZ_CHECK(o.Bytes.size() <= bytes.size());
        auto m = DecodeLobby(o.Bytes);
        KQ_FUZZ_CHECK(m.has_value());
        if (auto* r = std::get_if<TRegistered>(&*m)) lastCode = r->Code;
      } else {
        KQ_FUZZ_CHECK(o.Bytes == bytes);
        KQ_FUZZ_CHECK(o.To != from);
      }
    }
    server->Expire(now);
    KQ_FUZZ_CHECK(server->Hosts() <= 4 * TServerLimits{}.HostsPerIp);  // four addresses
  }
  return 0;
}
