#include "net/net_packet.h"

#include <type_traits>

#include "net/wire.h"

namespace kq::net {
namespace {

enum : uint8_t {
  kHello = 1,
  kWelcome = 2,
  kRefuse = 3,
  kInputs = 4,
  kHash = 5,
  kDelay = 6,
  kRetry = 7,
  kWatchInputs = 8,
  kWatchAck = 9,
};

constexpr uint8_t kMagic0 = 'K', kMagic1 = 'Q';

using wire::Reader;
using wire::Writer;

// Inputs change rarely from tick to tick, so they travel as (state, run) pairs.
void WriteRuns(Writer& w, const std::vector<uint16_t>& states) {
  std::vector<std::pair<uint16_t, uint8_t>> runs;
  for (uint16_t s : states) {
    if (!runs.empty() && runs.back().first == s && runs.back().second < 255)
      ++runs.back().second;
    else
      runs.emplace_back(s, uint8_t(1));
  }
  w.U8(uint8_t(runs.size()));
  for (auto [s, n] : runs) {
    w.U16(s);
    w.U8(n);
  }
}

bool ReadRuns(Reader& r, std::vector<uint16_t>& states) {
  const uint8_t count = r.U8();
  for (int i = 0; i < count && r.Ok(); ++i) {
    const uint16_t s = r.U16();
    const uint8_t n = r.U8();
    if (n == 0 || states.size() + n > kMaxInputTicks) return false;
    states.insert(states.end(), n, s);
  }
  return r.Ok();
}

// Both players' states of a tick as (player 1, player 2, run) triples.
void WriteWatchRuns(Writer& w, const std::vector<uint32_t>& states) {
  std::vector<std::pair<uint32_t, uint8_t>> runs;
  for (size_t i = 0; i < states.size() && i < kMaxWatchTicks; ++i) {
    const uint32_t s = states[i];
    if (!runs.empty() && runs.back().first == s && runs.back().second < 255)
      ++runs.back().second;
    else
      runs.emplace_back(s, uint8_t(1));
  }
  w.U16(uint16_t(runs.size()));
  for (auto [s, n] : runs) {
    w.U32(s);
    w.U8(n);
  }
}

bool ReadWatchRuns(Reader& r, std::vector<uint32_t>& states) {
  const uint16_t count = r.U16();
  if (count > kMaxWatchTicks) return false;
  for (int i = 0; i < count && r.Ok(); ++i) {
    const uint32_t s = r.U32();
    const uint8_t n = r.U8();
    if (n == 0 || states.size() + n > kMaxWatchTicks) return false;
    states.insert(states.end(), n, s);
  }
  return r.Ok();
}

}  // namespace

std::vector<uint8_t> Encode(const TMessage& m) {
  Writer w;
  w.U8(kMagic0);
  w.U8(kMagic1);
  std::visit(
      [&w](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, THello>) {
          w.U8(kHello);
          w.U16(v.Protocol);
          w.Text(v.GameVersion);
          w.U64(v.LevelHash);
        } else if constexpr (std::is_same_v<T, TWelcome>) {
          w.U8(kWelcome);
          w.Text(v.GameVersion);
          w.U64(v.LevelHash);
          w.U64(v.Seed);
          w.U8(v.Delay);
          w.LongText(v.Rules, kMaxRules);
        } else if constexpr (std::is_same_v<T, TRefuse>) {
          w.U8(kRefuse);
          w.Text(v.Reason);
        } else if constexpr (std::is_same_v<T, TInputs>) {
          w.U8(kInputs);
          w.U32(v.Round);
          w.U32(v.Ack);
          w.U32(v.FirstTick);
          std::vector<uint16_t> states = v.States;
          if (states.size() > kMaxInputTicks) states.resize(kMaxInputTicks);
          WriteRuns(w, states);
        } else if constexpr (std::is_same_v<T, THash>) {
          w.U8(kHash);
          w.U32(v.Round);
          w.U32(v.Tick);
          w.U64(v.Hash);
        } else if constexpr (std::is_same_v<T, TDelay>) {
          w.U8(kDelay);
          w.U32(v.Round);
          w.U32(v.FromTick);
          w.U8(v.Delay);
        } else if constexpr (std::is_same_v<T, TRetry>) {
          w.U8(kRetry);
          w.U32(v.Round);
          w.U8(v.Yes ? 1 : 0);
          w.U8(v.Delay);
        } else if constexpr (std::is_same_v<T, TWatchInputs>) {
          w.U8(kWatchInputs);
          w.U32(v.Round);
          w.U32(v.FirstTick);
          w.U32(v.LastTick);
          WriteWatchRuns(w, v.States);
        } else if constexpr (std::is_same_v<T, TWatchAck>) {
          w.U8(kWatchAck);
          w.U32(v.Round);
          w.U32(v.Tick);
        }
      },
      m);
  return w.Take();
}

std::optional<TMessage> Decode(std::span<const uint8_t> bytes) {
  if (bytes.size() > kMaxPacket) return std::nullopt;
  Reader r(bytes);
  if (r.U8() != kMagic0 || r.U8() != kMagic1) return std::nullopt;
  std::optional<TMessage> out;
  switch (r.U8()) {
    case kHello: {
      THello m;
      m.Protocol = r.U16();
      m.GameVersion = r.Text();
      m.LevelHash = r.U64();
      out = m;
      break;
    }
    case kWelcome: {
      TWelcome m;
      m.GameVersion = r.Text();
      m.LevelHash = r.U64();
      m.Seed = r.U64();
      m.Delay = r.U8();
      m.Rules = r.LongText(kMaxRules);
      if (m.Delay > kMaxInputDelay) return std::nullopt;
      out = m;
      break;
    }
    case kRefuse: {
      TRefuse m;
      m.Reason = r.Text();
      out = m;
      break;
    }
    case kInputs: {
      TInputs m;
      m.Round = r.U32();
      m.Ack = r.U32();
      m.FirstTick = r.U32();
      if (!ReadRuns(r, m.States)) return std::nullopt;
      // A packet with nothing outstanding only acknowledges; a window that would wrap the
      // tick counter is no window.
      if (m.States.empty() ? m.FirstTick != 0
                           : m.FirstTick == 0 || uint64_t(m.FirstTick) + m.States.size() > 0xFFFFFFFFull)
        return std::nullopt;
      out = m;
      break;
    }
    case kHash: {
      THash m;
      m.Round = r.U32();
      m.Tick = r.U32();
      m.Hash = r.U64();
      out = m;
      break;
    }
    case kDelay: {
      TDelay m;
      m.Round = r.U32();
      m.FromTick = r.U32();
      m.Delay = r.U8();
      if (m.Delay < 1 || m.Delay > 8) return std::nullopt;
      out = m;
      break;
    }
    case kRetry: {
      TRetry m;
      m.Round = r.U32();
      const uint8_t yes = r.U8();
      if (yes > 1) return std::nullopt;
      m.Yes = yes == 1;
      m.Delay = r.U8();
      if (m.Delay > kMaxInputDelay) return std::nullopt;
      out = m;
      break;
    }
    case kWatchInputs: {
      TWatchInputs m;
      m.Round = r.U32();
      m.FirstTick = r.U32();
      m.LastTick = r.U32();
      if (!ReadWatchRuns(r, m.States)) return std::nullopt;
      // Ticks count from 1; the states never run past the round's last tick.
      const uint64_t end = uint64_t(m.FirstTick) + m.States.size();
      if (m.FirstTick == 0 || end > 0xFFFFFFFFull || (m.LastTick != 0 && end > uint64_t(m.LastTick) + 1))
        return std::nullopt;
      out = m;
      break;
    }
    case kWatchAck: {
      TWatchAck m;
      m.Round = r.U32();
      m.Tick = r.U32();
      out = m;
      break;
    }
    default:
      return std::nullopt;
  }
  if (!r.Ok() || !r.AtEnd()) return std::nullopt;
  return out;
}

}  // namespace kq::net
