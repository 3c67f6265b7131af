#include "net/match_server.h"

#include <algorithm>
#include <cstring>

namespace kq::net {

bool TMatchServer::TBucket::Take(double cost, double rate, double burst, uint64_t now) {
  if (now > At) Tokens = std::min(burst, Tokens + double(now - At) * rate / 1000.0);
  At = std::max(At, now);
  if (Tokens < cost) return false;
  Tokens -= cost;
  return true;
}

TMatchServer::TMatchServer(TServerLimits limits, std::function<uint64_t()> random)
    : limits_(limits), random_(std::move(random)) {}

void TMatchServer::Say(const std::string& line) {
  if (Log) Log(line);
}

TMatchServer::TIpRecord* TMatchServer::Record(uint32_t ip, uint64_t now) {
  auto it = ips_.find(ip);
  if (it == ips_.end()) {
    if (ips_.size() >= limits_.MaxTrackedIps) return nullptr;
    TIpRecord r;
    r.Requests = {limits_.RequestBurst, now};
    r.Misses = {limits_.MissBurst, now};
    it = ips_.emplace(ip, r).first;
  }
  it->second.LastSeen = now;
  return &it->second;
}

std::string TMatchServer::NewCode() {
  const size_t n = std::strlen(kCodeAlphabet);
  for (int attempt = 0; attempt < 16; ++attempt) {
    uint64_t r = random_();
    std::string c;
    for (size_t i = 0; i < kCodeLength; ++i) {
      c.push_back(kCodeAlphabet[r % n]);
      r /= n;
    }
    if (!hosts_.count(c)) return c;
  }
  return {};
}

void TMatchServer::Send(std::vector<TOutgoing>& out, const TAddr& to, const TLobbyMessage& m) {
  out.push_back({to, EncodeLobby(m)});
}

void TMatchServer::RemoveRelay(const TAddr& either) {
  auto it = relaysByAddr_.find(either);
  if (it == relaysByAddr_.end()) return;
  const std::shared_ptr<TRelay> r = it->second;
  relaysByAddr_.erase(r->Host);
  relaysByAddr_.erase(r->Guest);
}

void TMatchServer::RemoveHost(const std::string& code, const char* why) {
  auto it = hosts_.find(code);
  if (it == hosts_.end()) return;
  const TAddr addr = it->second.Addr;
  if (auto ip = ips_.find(addr.Ip); ip != ips_.end() && ip->second.Hosts > 0) --ip->second.Hosts;
  codeByAddr_.erase(addr);
  RemoveRelay(addr);
  hosts_.erase(it);
  Say("code " + code + " " + why);
}

void TMatchServer::Receive(const TAddr& from, std::span<const uint8_t> data, uint64_t now,
                           std::vector<TOutgoing>& out) {
  ++stats_.Datagrams;
  if (!IsLobbyDatagram(data)) {
    // A game's own datagram: forwarded only between the two ends of a relay, within its rate.
    auto it = relaysByAddr_.find(from);
    if (it == relaysByAddr_.end()) {
      ++stats_.Malformed;
      return;
    }
    TRelay& r = *it->second;
    const bool fromHost = from == r.Host;
    TBucket& bucket = fromHost ? r.ToGuest : r.ToHost;
    if (data.size() > 1500 ||
        !bucket.Take(double(data.size()), limits_.RelayBytesPerSecond, limits_.RelayBurstBytes, now)) {
      ++stats_.RelayDropped;
      return;
    }
    r.LastUsed = now;
    if (fromHost)
      if (auto h = hosts_.find(r.Code); h != hosts_.end() && h->second.Addr == from)
        h->second.LastHeard = now;
    out.push_back({fromHost ? r.Guest : r.Host, std::vector<uint8_t>(data.begin(), data.end())});
    ++stats_.Relayed;
    stats_.RelayedBytes += data.size();
    return;
  }
  TIpRecord* rec = Record(from.Ip, now);
  if (!rec || !rec->Requests.Take(1, limits_.RequestsPerSecond, limits_.RequestBurst, now)) {
    ++stats_.RateLimited;
    return;
  }
  const std::optional<TLobbyMessage> m = DecodeLobby(data);
  if (!m) {
    ++stats_.Malformed;
    return;
  }
  // A code that is not there costs the asker from a small budget: codes cannot be guessed.
  auto miss = [&](uint32_t nonce) {
    if (!rec->Misses.Take(1, limits_.MissesPerMinute / 60.0, limits_.MissBurst, now)) {
      ++stats_.RateLimited;
      return;
    }
    Send(out, from, TLobbyRefuse{nonce, TLobbyError::UnknownCode});
  };
  if (const auto* reg = std::get_if<TRegister>(&*m)) {
    if (auto known = codeByAddr_.find(from); known != codeByAddr_.end()) {
      // The answer was lost, or the host's addresses changed: same code.
      THost& h = hosts_.at(known->second);
      h.Candidates = reg->Candidates;
      h.LastHeard = now;
      Send(out, from, TRegistered{reg->Nonce, h.Code, from});
      return;
    }
    if (hosts_.size() >= limits_.MaxHosts) {
      Send(out, from, TLobbyRefuse{reg->Nonce, TLobbyError::ServerFull});
      return;
    }
    if (rec->Hosts >= limits_.HostsPerIp) {
      Send(out, from, TLobbyRefuse{reg->Nonce, TLobbyError::TooManyFromYou});
      return;
    }
    const std::string code = NewCode();
    if (code.empty()) {
      Send(out, from, TLobbyRefuse{reg->Nonce, TLobbyError::ServerFull});
      return;
    }
    hosts_[code] = THost{code, from, reg->Candidates, now, false};
    codeByAddr_[from] = code;
    ++rec->Hosts;
    Say("code " + code + " registered");
    Send(out, from, TRegistered{reg->Nonce, code, from});
  } else if (const auto* ka = std::get_if<TKeepAlive>(&*m)) {
    auto it = hosts_.find(ka->Code);
    if (it == hosts_.end() || it->second.Addr != from) {
      miss(0);
      return;
    }
    it->second.LastHeard = now;
    it->second.Busy = ka->Busy;
  } else if (const auto* un = std::get_if<TUnregister>(&*m)) {
    auto it = hosts_.find(un->Code);
    if (it != hosts_.end() && it->second.Addr == from) RemoveHost(un->Code, "freed by its host");
  } else if (const auto* join = std::get_if<TJoin>(&*m)) {
    auto it = hosts_.find(join->Code);
    if (it == hosts_.end()) {
      miss(join->Nonce);
      return;
    }
    THost& h = it->second;
    if (h.Addr == from) return;  // a host cannot join itself
    if (h.Busy && !join->Watch) {
      Send(out, from, TLobbyRefuse{join->Nonce, TLobbyError::HostBusy});
      return;
    }
    const uint64_t token = random_();
    Send(out, from, TJoinInfo{join->Nonce, h.Addr, from, token, h.Candidates});
    Send(out, h.Addr, TIntroduce{from, token});
    Say("code " + h.Code + (join->Watch ? " watched" : " joined"));
  } else if (const auto* rr = std::get_if<TRelayRequest>(&*m)) {
    auto it = hosts_.find(rr->Code);
    if (it == hosts_.end()) {
      miss(rr->Nonce);
      return;
    }
    const THost& h = it->second;
    if (h.Addr == from) return;
    if (auto r = relaysByAddr_.find(from); r != relaysByAddr_.end() && r->second->Host == h.Addr) {
      Send(out, from, TRelayReady{rr->Nonce});
      return;
    }
    if (relaysByAddr_.count(from)) {
      Send(out, from, TLobbyRefuse{rr->Nonce, TLobbyError::HostBusy});
      return;
    }
    RemoveRelay(h.Addr);  // a host plays one guest at a time
    if (Relays() >= limits_.MaxRelays) {
      Send(out, from, TLobbyRefuse{rr->Nonce, TLobbyError::RelayFull});
      return;
    }
    auto r = std::make_shared<TRelay>();
    r->Code = h.Code;
    r->Host = h.Addr;
    r->Guest = from;
    r->ToHost = {limits_.RelayBurstBytes, now};
    r->ToGuest = {limits_.RelayBurstBytes, now};
    r->LastUsed = now;
    relaysByAddr_[h.Addr] = r;
    relaysByAddr_[from] = r;
    Say("code " + h.Code + " relayed");
    Send(out, from, TRelayReady{rr->Nonce});
  } else {
    ++stats_.Malformed;  // game-to-game messages have no business here
  }
}

void TMatchServer::Expire(uint64_t now) {
  std::vector<std::string> gone;
  for (const auto& [code, h] : hosts_)
    if (now - std::min(now, h.LastHeard) >= limits_.HostIdleMs) gone.push_back(code);
  for (const std::string& c : gone) RemoveHost(c, "expired");
  std::vector<TAddr> idle;
  for (const auto& [addr, r] : relaysByAddr_)
    if (addr == r->Host && now - std::min(now, r->LastUsed) >= limits_.RelayIdleMs) idle.push_back(addr);
  for (const TAddr& a : idle) RemoveRelay(a);
  for (auto it = ips_.begin(); it != ips_.end();) {
    if (it->second.Hosts == 0 && now - std::min(now, it->second.LastSeen) >= 60000)
      it = ips_.erase(it);
    else
      ++it;
  }
}

}  // namespace kq::net
