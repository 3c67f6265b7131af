#pragma once
// Datagrams between the game and the match server, between two games opening a path through
// their routers, and of the search for games on the local network. They share the UDP socket
// of the match's ENet connection: every one starts with a prefix that ENet never sends (as an
// ENet header it would name peer 2897 with compression, which no game of ours uses), so the
// socket's hook can take them out before ENet reads anything.
#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace kq::net {

constexpr uint16_t kServerPort = 7700;
constexpr uint8_t kLobbyVersion = 1;
// Invite codes: six characters from an alphabet without look-alikes (no 0/O, no 1/I/L), some
// 887 million codes.
constexpr const char* kCodeAlphabet = "23456789ABCDEFGHJKMNPQRSTUVWXYZ";
constexpr size_t kCodeLength = 6;
// A server answer must never be larger than the request that asked for it, so a forged
// sender address gains an attacker nothing: requests that get long answers are padded.
constexpr size_t kJoinRequestBytes = 200;
constexpr size_t kRegisterBytes = 64;
constexpr size_t kLanQueryBytes = 96;
constexpr size_t kMaxCandidates = 6;
constexpr size_t kMaxLobbyDatagram = 512;

// An IPv4 address and port, host byte order.
struct TAddr {
  uint32_t Ip = 0;
  uint16_t Port = 0;
  auto operator<=>(const TAddr&) const = default;
  bool Valid() const { return Ip != 0 && Port != 0; }
};
std::string AddrText(const TAddr& a);
// "a.b.c.d:port" or "a.b.c.d" with defaultPort; nullopt otherwise.
std::optional<TAddr> ParseAddr(const std::string& text, uint16_t defaultPort);

// Where a host can be reached from outside: its LAN addresses and a port its router opened.
enum class TCandidateKind : uint8_t { Lan = 1, Upnp = 2 };
struct TCandidate {
  TCandidateKind Kind = TCandidateKind::Lan;
  TAddr Addr;
  bool operator==(const TCandidate&) const = default;
};

// Why the server said no; the game turns these into its own sentences.
enum class TLobbyError : uint8_t {
  UnknownCode = 1,  // no such code, or it expired
  ServerFull = 2,
  TooManyFromYou = 3,
  HostBusy = 4,
  RelayFull = 5,
};
std::string LobbyErrorText(TLobbyError e);

// Host -> server: give me a code. Nonce comes back in the answer. Padded to kRegisterBytes.
struct TRegister {
  uint32_t Nonce = 0;
  std::vector<TCandidate> Candidates;
  bool operator==(const TRegister&) const = default;
};
// Server -> host.
struct TRegistered {
  uint32_t Nonce = 0;
  std::string Code;
  TAddr Observed;  // the host's address as the server sees it
  bool operator==(const TRegistered&) const = default;
};
// Host -> server every few seconds: still here (keeps the router's mapping open too).
struct TKeepAlive {
  std::string Code;
  bool Busy = false;
  bool operator==(const TKeepAlive&) const = default;
};
// Host -> server: the host leaves; the code is free at once.
struct TUnregister {
  std::string Code;
  bool operator==(const TUnregister&) const = default;
};
// Guest -> server, padded to kJoinRequestBytes.
struct TJoin {
  uint32_t Nonce = 0;
  std::string Code;
  bool Watch = false;  // a spectator: a host already playing is no refusal
  bool operator==(const TJoin&) const = default;
};
// Server -> guest: where the host may be reached, and the token both sides punch with.
struct TJoinInfo {
  uint32_t Nonce = 0;
  TAddr HostObserved;
  TAddr GuestObserved;
  uint64_t Token = 0;
  std::vector<TCandidate> Candidates;
  bool operator==(const TJoinInfo&) const = default;
};
// Server -> host: a guest is coming from Guest; send punches there with Token.
struct TIntroduce {
  TAddr Guest;
  uint64_t Token = 0;
  bool operator==(const TIntroduce&) const = default;
};
// Guest -> server: no path opened; forward our datagrams. Padded like a join.
struct TRelayRequest {
  uint32_t Nonce = 0;
  std::string Code;
  bool operator==(const TRelayRequest&) const = default;
};
struct TRelayReady {
  uint32_t Nonce = 0;
  bool operator==(const TRelayReady&) const = default;
};
struct TLobbyRefuse {
  uint32_t Nonce = 0;
  TLobbyError Error = TLobbyError::UnknownCode;
  bool operator==(const TLobbyRefuse&) const = default;
};
// Game <-> game through the routers.
struct TPunch {
  uint64_t Token = 0;
  bool operator==(const TPunch&) const = default;
};
// Broadcast on the LAN, answered by every host. Padded to kLanQueryBytes.
struct TLanQuery {
  uint32_t Nonce = 0;
  bool operator==(const TLanQuery&) const = default;
};
struct TLanInfo {
  uint32_t Nonce = 0;
  uint16_t Port = 0;
  bool Busy = false;
  std::string Name;
  std::string Version;
  bool operator==(const TLanInfo&) const = default;
};

using TLobbyMessage =
    std::variant<TRegister, TRegistered, TKeepAlive, TUnregister, TJoin, TJoinInfo, TIntroduce, TRelayRequest,
                 TRelayReady, TLobbyRefuse, TPunch, TLanQuery, TLanInfo>;

// Whether the datagram carries the lobby prefix (of any version): such datagrams are never
// ENet's.
bool IsLobbyDatagram(std::span<const uint8_t> bytes);
std::vector<uint8_t> EncodeLobby(const TLobbyMessage& m);
// nullopt for anything that is not exactly one well-formed message of this version.
std::optional<TLobbyMessage> DecodeLobby(std::span<const uint8_t> bytes);

// Upper-cases and checks a typed code; empty when it cannot be one.
std::string NormalizeCode(const std::string& typed);

}  // namespace kq::net
