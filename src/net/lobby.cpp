#include "net/lobby.h"

#include <arpa/inet.h>

#include <charconv>
#include <cstring>
#include <type_traits>

#include "net/wire.h"

namespace kq::net {
namespace {

using wire::Reader;
using wire::Writer;

constexpr uint8_t kPrefix0 = 'K', kPrefix1 = 'Q', kPrefix2 = 'M';

enum : uint8_t {
  kRegister = 1,
  kRegistered,
  kKeepAlive,
  kUnregister,
  kJoin,
  kJoinInfo,
  kIntroduce,
  kRelayRequest,
  kRelayReady,
  kRefuse,
  kPunch,
  kLanQuery,
  kLanInfo,
};

void PutAddr(Writer& w, const TAddr& a) {
  w.U32(a.Ip);
  w.U16(a.Port);
}
TAddr GetAddr(Reader& r) {
  TAddr a;
  a.Ip = r.U32();
  a.Port = r.U16();
  return a;
}

void PutCode(Writer& w, const std::string& code) {
  for (size_t i = 0; i < kCodeLength; ++i) w.U8(i < code.size() ? uint8_t(code[i]) : 0);
}
std::string GetCode(Reader& r) {
  std::string c;
  for (size_t i = 0; i < kCodeLength; ++i) c.push_back(char(r.U8()));
  return c;
}
bool CodeOk(const std::string& c) {
  if (c.size() != kCodeLength) return false;
  for (char ch : c)
    if (ch == 0 || !std::strchr(kCodeAlphabet, ch)) return false;
  return true;
}

void PutCandidates(Writer& w, const std::vector<TCandidate>& cs) {
  const size_t n = std::min(cs.size(), kMaxCandidates);
  w.U8(uint8_t(n));
  for (size_t i = 0; i < n; ++i) {
    w.U8(uint8_t(cs[i].Kind));
    PutAddr(w, cs[i].Addr);
  }
}
bool GetCandidates(Reader& r, std::vector<TCandidate>& out) {
  const uint8_t n = r.U8();
  if (n > kMaxCandidates) return false;
  for (int i = 0; i < n && r.Ok(); ++i) {
    TCandidate c;
    const uint8_t kind = r.U8();
    if (kind != uint8_t(TCandidateKind::Lan) && kind != uint8_t(TCandidateKind::Upnp)) return false;
    c.Kind = TCandidateKind(kind);
    c.Addr = GetAddr(r);
    if (!c.Addr.Valid()) return false;
    out.push_back(c);
  }
  return r.Ok();
}

void PadTo(Writer& w, size_t size) {
  if (w.Size() < size) w.Zeros(size - w.Size());
}

}  // namespace

std::string AddrText(const TAddr& a) {
  in_addr in{};
  in.s_addr = htonl(a.Ip);
  char buf[INET_ADDRSTRLEN] = "?";
  inet_ntop(AF_INET, &in, buf, sizeof buf);
  return std::string(buf) + ":" + std::to_string(a.Port);
}

std::optional<TAddr> ParseAddr(const std::string& text, uint16_t defaultPort) {
  std::string host = text;
  int port = defaultPort;
  if (const size_t colon = text.rfind(':'); colon != std::string::npos) {
    host = text.substr(0, colon);
    const std::string p = text.substr(colon + 1);
    auto [end, ec] = std::from_chars(p.data(), p.data() + p.size(), port);
    if (p.empty() || ec != std::errc() || end != p.data() + p.size() || port < 1 || port > 65535)
      return std::nullopt;
  }
  in_addr in{};
  if (inet_pton(AF_INET, host.c_str(), &in) != 1) return std::nullopt;
  TAddr a{ntohl(in.s_addr), uint16_t(port)};
  if (!a.Valid()) return std::nullopt;
  return a;
}

std::string LobbyErrorText(TLobbyError e) {
  switch (e) {
    case TLobbyError::UnknownCode:
      return "unknown or expired invite code";
    case TLobbyError::ServerFull:
      return "the match server is full";
    case TLobbyError::TooManyFromYou:
      return "the match server refuses more requests from this address for now";
    case TLobbyError::HostBusy:
      return "that host is already playing";
    case TLobbyError::RelayFull:
      return "the match server cannot relay another match now";
  }
  return "the match server refused";
}

bool IsLobbyDatagram(std::span<const uint8_t> b) {
  return b.size() >= 4 && b[0] == kPrefix0 && b[1] == kPrefix1 && b[2] == kPrefix2;
}

std::vector<uint8_t> EncodeLobby(const TLobbyMessage& m) {
  Writer w;
  w.U8(kPrefix0);
  w.U8(kPrefix1);
  w.U8(kPrefix2);
  w.U8(kLobbyVersion);
  std::visit(
      [&w](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, TRegister>) {
          w.U8(kRegister);
          w.U32(v.Nonce);
          PutCandidates(w, v.Candidates);
          PadTo(w, kRegisterBytes);
        } else if constexpr (std::is_same_v<T, TRegistered>) {
          w.U8(kRegistered);
          w.U32(v.Nonce);
          PutCode(w, v.Code);
          PutAddr(w, v.Observed);
        } else if constexpr (std::is_same_v<T, TKeepAlive>) {
          w.U8(kKeepAlive);
          PutCode(w, v.Code);
          w.U8(v.Busy ? 1 : 0);
        } else if constexpr (std::is_same_v<T, TUnregister>) {
          w.U8(kUnregister);
          PutCode(w, v.Code);
        } else if constexpr (std::is_same_v<T, TJoin>) {
          w.U8(kJoin);
          w.U32(v.Nonce);
          PutCode(w, v.Code);
          w.U8(v.Watch ? 1 : 0);  // where older builds pad with zeros
          PadTo(w, kJoinRequestBytes);
        } else if constexpr (std::is_same_v<T, TJoinInfo>) {
          w.U8(kJoinInfo);
          w.U32(v.Nonce);
          PutAddr(w, v.HostObserved);
          PutAddr(w, v.GuestObserved);
          w.U64(v.Token);
          PutCandidates(w, v.Candidates);
        } else if constexpr (std::is_same_v<T, TIntroduce>) {
          w.U8(kIntroduce);
          PutAddr(w, v.Guest);
          w.U64(v.Token);
        } else if constexpr (std::is_same_v<T, TRelayRequest>) {
          w.U8(kRelayRequest);
          w.U32(v.Nonce);
          PutCode(w, v.Code);
          PadTo(w, kJoinRequestBytes);
        } else if constexpr (std::is_same_v<T, TRelayReady>) {
          w.U8(kRelayReady);
          w.U32(v.Nonce);
        } else if constexpr (std::is_same_v<T, TLobbyRefuse>) {
          w.U8(kRefuse);
          w.U32(v.Nonce);
          w.U8(uint8_t(v.Error));
        } else if constexpr (std::is_same_v<T, TPunch>) {
          w.U8(kPunch);
          w.U64(v.Token);
        } else if constexpr (std::is_same_v<T, TLanQuery>) {
          w.U8(kLanQuery);
          w.U32(v.Nonce);
          PadTo(w, kLanQueryBytes);
        } else if constexpr (std::is_same_v<T, TLanInfo>) {
          w.U8(kLanInfo);
          w.U32(v.Nonce);
          w.U16(v.Port);
          w.U8(v.Busy ? 1 : 0);
          w.Text(v.Name, 32);
          w.Text(v.Version, 32);
        }
      },
      m);
  return w.Take();
}

std::optional<TLobbyMessage> DecodeLobby(std::span<const uint8_t> bytes) {
  if (bytes.size() > kMaxLobbyDatagram || !IsLobbyDatagram(bytes) || bytes[3] != kLobbyVersion)
    return std::nullopt;
  Reader r(bytes.subspan(4));
  std::optional<TLobbyMessage> out;
  switch (r.U8()) {
    case kRegister: {
      TRegister m;
      m.Nonce = r.U32();
      if (bytes.size() != kRegisterBytes || !GetCandidates(r, m.Candidates) || !r.ZerosToEnd())
        return std::nullopt;
      out = m;
      break;
    }
    case kRegistered: {
      TRegistered m;
      m.Nonce = r.U32();
      m.Code = GetCode(r);
      m.Observed = GetAddr(r);
      if (!CodeOk(m.Code)) return std::nullopt;
      out = m;
      break;
    }
    case kKeepAlive: {
      TKeepAlive m;
      m.Code = GetCode(r);
      const uint8_t busy = r.U8();
      if (busy > 1) return std::nullopt;
      m.Busy = busy == 1;
      out = m;
      break;
    }
    case kUnregister: {
      TUnregister m;
      m.Code = GetCode(r);
      out = m;
      break;
    }
    case kJoin:
    case kRelayRequest: {
      const bool join = bytes[4] == kJoin;
      if (bytes.size() != kJoinRequestBytes) return std::nullopt;
      const uint32_t nonce = r.U32();
      const std::string code = GetCode(r);
      const uint8_t watch = r.U8();
      if (watch > (join ? 1 : 0) || !r.ZerosToEnd()) return std::nullopt;
      if (join)
        out = TJoin{nonce, code, watch == 1};
      else
        out = TRelayRequest{nonce, code};
      break;
    }
    case kJoinInfo: {
      TJoinInfo m;
      m.Nonce = r.U32();
      m.HostObserved = GetAddr(r);
      m.GuestObserved = GetAddr(r);
      m.Token = r.U64();
      if (!GetCandidates(r, m.Candidates)) return std::nullopt;
      out = m;
      break;
    }
    case kIntroduce: {
      TIntroduce m;
      m.Guest = GetAddr(r);
      m.Token = r.U64();
      out = m;
      break;
    }
    case kRelayReady:
      out = TRelayReady{r.U32()};
      break;
    case kRefuse: {
      TLobbyRefuse m;
      m.Nonce = r.U32();
      const uint8_t e = r.U8();
      if (e < 1 || e > uint8_t(TLobbyError::RelayFull)) return std::nullopt;
      m.Error = TLobbyError(e);
      out = m;
      break;
    }
    case kPunch:
      out = TPunch{r.U64()};
      break;
    case kLanQuery:
      out = TLanQuery{r.U32()};
      if (!r.ZerosToEnd() || bytes.size() != kLanQueryBytes) return std::nullopt;
      break;
    case kLanInfo: {
      TLanInfo m;
      m.Nonce = r.U32();
      m.Port = r.U16();
      const uint8_t busy = r.U8();
      if (busy > 1) return std::nullopt;
      m.Busy = busy == 1;
      m.Name = r.Text(32);
      m.Version = r.Text(32);
      out = m;
      break;
    }
    default:
      return std::nullopt;
  }
  if (!r.Ok() || !r.AtEnd()) return std::nullopt;
  return out;
}

std::string NormalizeCode(const std::string& typed) {
  std::string c;
  for (char ch : typed) {
    if (ch == ' ' || ch == '-') continue;
    if (ch >= 'a' && ch <= 'z') ch = char(ch - 'a' + 'A');
    c.push_back(ch);
  }
  return CodeOk(c) ? c : std::string();
}

}  // namespace kq::net
