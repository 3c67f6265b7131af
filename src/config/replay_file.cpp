#include "config/replay_file.h"

#include <algorithm>
#include <cstring>

#include "engine/i18n.h"

namespace kq {

// The project version, the one the program reports.
const char kGameVersion[] = KQ_VERSION;

namespace {

constexpr char kMagic[4] = {'K', 'Q', 'R', 'P'};
constexpr uint32_t kMaxValue = 0x7FFFFFFF;
// Op bytes of the tick stream: below 81 four ticks whose move counts stay or step by one (base-3
// digits, lowest first: 0 same, 1 one more, 2 one less); 81..127 a run of 1..47 unchanged ticks;
// 128..135 one tick with the changes its flags name; 136..174 one to three ticks as in a group
// (the ticks before a change). The rest is never written.
constexpr uint8_t kRunBase = 80;
constexpr uint32_t kMaxRun = 47;
constexpr uint8_t kEvent = 0x80;
constexpr uint8_t kEvControls = 0x01, kEvMove = 0x02, kEvStep = 0x04;
constexpr uint8_t kShortGroup = 136;  // + 0..2 one tick, + 3..11 two, + 12..38 three

uint64_t Fnv(std::string_view bytes, uint64_t h = 0xCBF29CE484222325ULL) {
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 0x100000001B3ULL;
  }
  return h;
}

void PutVar(std::string& out, uint32_t v) {
  while (v >= 0x80) {
    out += char(uint8_t(v) | 0x80);
    v >>= 7;
  }
  out += char(uint8_t(v));
}

template <class T>
void PutLe(std::string& out, T v) {
  for (size_t i = 0; i < sizeof(T); ++i) out += char(uint8_t(uint64_t(v) >> (8 * i)));
}

void PutStr(std::string& out, std::string_view s) {
  out += char(uint8_t(s.size()));
  out.append(s.substr(0, 255));
}

// Bounds-checked little-endian reader; every failure is sticky.
class TReader {
 public:
  explicit TReader(std::string_view b) : b_(b) {}
  bool Ok() const { return ok_; }
  bool AtEnd() const { return at_ == b_.size(); }
  size_t Left() const { return b_.size() - at_; }
  template <class T>
  T Le() {
    if (!ok_ || Left() < sizeof(T)) return Fail<T>();
    uint64_t v = 0;
    for (size_t i = 0; i < sizeof(T); ++i) v |= uint64_t(uint8_t(b_[at_ + i])) << (8 * i);
    at_ += sizeof(T);
    return T(v);
  }
  std::string Str(size_t maxLen) {
    const size_t n = Le<uint8_t>();
    if (!ok_ || n > maxLen || Left() < n) return Fail<std::string>();
    std::string s(b_.substr(at_, n));
    at_ += n;
    return s;
  }
  std::string_view Bytes(size_t n) {
    if (!ok_ || Left() < n) return Fail<std::string_view>();
    std::string_view s = b_.substr(at_, n);
    at_ += n;
    return s;
  }

 private:
  template <class T>
  T Fail() {
    ok_ = false;
    return T{};
  }
  std::string_view b_;
  size_t at_ = 0;
  bool ok_ = true;
};

bool GetVar(std::string_view in, size_t& pos, uint32_t& v) {
  uint64_t r = 0;
  for (int shift = 0; shift < 35; shift += 7) {
    if (pos >= in.size()) return false;
    const uint8_t c = uint8_t(in[pos++]);
    r |= uint64_t(c & 0x7F) << shift;
    if (!(c & 0x80)) {
      if (r > 0xFFFFFFFFULL) return false;
      v = uint32_t(r);
      return true;
    }
  }
  return false;
}

struct TTuningKey {
  int64_t Lo, Hi;
  bool Real;
};

// Order and ranges of RuleTuning; the ranges are those the settings reader accepts.
constexpr TTuningKey kTuning[] = {
    {100, 100000, false},    // LineUpInterval
    {10, 100000, false},     // BlockFallSpeed
    {1000, 100000, false},   // ChainGaugePeriod
    {1000, 1000000, false},  // LineTrimingPeriod
    {1000, 100000, false},   // HazardBlockPeriod
    {0, 10, false},          // BlockStartLine
    {3, 6, false},           // TotalBlockType
    {2, 7, false},           // EraseLowerLimit
    {2, 7, false},           // EraseLowerLimitRainbow
    {10, 10000, false},      // ShotSpeed
    {0, 100, false},         // HardBlockRatio
    {1, 99, false},          // HazardBlockNum3..7
    {1, 99, false},         {1, 99, false},  {1, 99, false},
    {1, 99, false},         {0, 100, false},  // HazardBlockChainAdd
    {0, 100, true},                           // PowerIncPerBlock (0.01 .. 100)
    {0, 100, true},                           // RainbowIncPerBlock
    {1, 99, false},                           // BlockCapacity
    {100, 100000, false},                     // RainbowModePeriod
    {1, 9999, false},                         // EndingLv
    {1, 9999, false},                         // EndingExLv
    {1, 9999, false},                         // ExLvCombo
    {1, 99, false},                           // EndingPageNum
    {1000, 100000, false},                    // EndingInterval
};
constexpr size_t kTuningCount = sizeof kTuning / sizeof kTuning[0];

int64_t RealBits(double d) {
  int64_t v;
  std::memcpy(&v, &d, sizeof v);
  return v;
}

double BitsReal(int64_t v) {
  double d;
  std::memcpy(&d, &v, sizeof d);
  return d;
}

bool FieldLineOk(const std::string& line) {
  if (line.empty() || line.size() > 16) return false;
  for (char c : line)
    if (!(c == '.' || (c >= '0' && c <= '5') || (c >= 'a' && c <= 'f') || c == 'h')) return false;
  return true;
}

}  // namespace

std::vector<int64_t> RuleTuning(const TGameConfig& c) {
  std::vector<int64_t> t = {c.LineUpInterval,    c.BlockFallSpeed,    c.ChainGaugePeriod,
                            c.LineTrimingPeriod, c.HazardBlockPeriod, c.BlockStartLine,
                            c.TotalBlockType,    c.EraseLowerLimit,   c.EraseLowerLimitRainbow,
                            c.ShotSpeed,         c.HardBlockRatio};
  for (int n = 3; n <= 7; ++n) t.push_back(c.HazardBlockNum[size_t(n)]);
  t.push_back(c.HazardBlockChainAdd);
  t.push_back(RealBits(c.PowerIncPerBlock));
  t.push_back(RealBits(c.RainbowIncPerBlock));
  for (int v : {c.BlockCapacity, c.RainbowModePeriod, c.EndingLv, c.EndingExLv, c.ExLvCombo, c.EndingPageNum,
                c.EndingInterval})
    t.push_back(v);
  return t;
}

bool ApplyRuleTuning(const std::vector<int64_t>& t, TGameConfig& c) {
  if (t.size() != kTuningCount) return false;
  for (size_t i = 0; i < kTuningCount; ++i) {
    const TTuningKey& k = kTuning[i];
    if (k.Real) {
      const double d = BitsReal(t[i]);
      if (!(d >= 0.01 && d <= 100)) return false;  // also refuses NaN
    } else if (t[i] < k.Lo || t[i] > k.Hi) {
      return false;
    }
  }
  size_t i = 0;
  for (int* v : {&c.LineUpInterval, &c.BlockFallSpeed, &c.ChainGaugePeriod, &c.LineTrimingPeriod,
                 &c.HazardBlockPeriod, &c.BlockStartLine, &c.TotalBlockType, &c.EraseLowerLimit,
                 &c.EraseLowerLimitRainbow, &c.ShotSpeed, &c.HardBlockRatio})
    *v = int(t[i++]);
  for (int n = 3; n <= 7; ++n) c.HazardBlockNum[size_t(n)] = int(t[i++]);
  c.HazardBlockChainAdd = int(t[i++]);
  c.PowerIncPerBlock = BitsReal(t[i++]);
  c.RainbowIncPerBlock = BitsReal(t[i++]);
  for (int* v : {&c.BlockCapacity, &c.RainbowModePeriod, &c.EndingLv, &c.EndingExLv, &c.ExLvCombo,
                 &c.EndingPageNum, &c.EndingInterval})
    *v = int(t[i++]);
  return true;
}

uint64_t LevelTableHash(const TLevelTable& t) {
  std::string bytes;
  PutLe<uint32_t>(bytes, uint32_t(t.size()));
  for (const TLevelEntry& e : t) {
    PutLe<int32_t>(bytes, e.HardBlockRatio);
    PutLe<int32_t>(bytes, e.NeedBlock);
    PutLe<int32_t>(bytes, e.LineUpInterval);
  }
  return Fnv(bytes);
}

// --- tick coding ---------------------------------------------------------------------------

void TReplayEncoder::FlushDigits(std::string& out, std::vector<uint8_t>& digits, uint32_t& runs) {
  if (!digits.empty()) {
    static constexpr uint8_t kOffset[4] = {0, 0, 3, 12};
    uint8_t v = 0;
    for (size_t i = digits.size(); i-- > 0;) v = uint8_t(v * 3 + digits[i]);
    out += char(kShortGroup + kOffset[digits.size()] + v);
    digits.clear();
  }
  while (runs > 0) {
    const uint32_t n = std::min(runs, kMaxRun);
    out += char(kRunBase + n);
    runs -= n;
  }
}

void TReplayEncoder::Event(const TReplayTick& t) {
  FlushDigits(bytes_, digits_, zeroRun_);
  uint8_t flags = 0;
  if (t.Controls != prev_.Controls) flags |= kEvControls;
  if (t.Move != prev_.Move) flags |= kEvMove;
  if (t.Step != t.Move) flags |= kEvStep;
  bytes_ += char(kEvent | flags);
  if (flags & kEvControls) PutVar(bytes_, t.Controls ^ prev_.Controls);
  if (flags & kEvMove) PutVar(bytes_, t.Move);
  if (flags & kEvStep) PutVar(bytes_, t.Step);
}

void TReplayEncoder::Add(const TReplayTick& in) {
  TReplayTick t = in;
  t.Move = std::min(t.Move, kMaxValue);
  t.Step = std::min(t.Step, kMaxValue);
  t.Controls &= kReplayControlMask;
  const int64_t d = int64_t(t.Move) - int64_t(prev_.Move);
  if (t.Controls != prev_.Controls || t.Step != t.Move || d < -1 || d > 1) {
    Event(t);
  } else if (d == 0 && digits_.empty()) {
    ++zeroRun_;  // long runs of equal ticks cost one byte per 47
  } else {
    if (zeroRun_ > 0) {
      if (zeroRun_ < 4) {
        digits_.assign(zeroRun_, 0);
        zeroRun_ = 0;
      } else {
        FlushDigits(bytes_, digits_, zeroRun_);
      }
    }
    digits_.push_back(d == 0 ? 0 : d == 1 ? 1 : 2);
    if (digits_.size() == 4) {
      bytes_ += char(digits_[0] + 3 * digits_[1] + 9 * digits_[2] + 27 * digits_[3]);
      digits_.clear();
    }
  }
  prev_ = t;
  ++ticks_;
}

std::string TReplayEncoder::Stream() const {
  std::string out = bytes_;
  std::vector<uint8_t> digits = digits_;
  uint32_t runs = zeroRun_;
  FlushDigits(out, digits, runs);
  return out;
}

bool TReplayCursor::Next(TReplayTick& t) {
  for (;;) {
    if (run_ > 0) {
      --run_;
      prev_.Step = prev_.Move;
      t = prev_;
      return true;
    }
    if (queued_ > 0) {
      const uint8_t d = group_[groupAt_++];
      --queued_;
      if (d == 1 && prev_.Move >= kMaxValue) return false;
      if (d == 2 && prev_.Move == 0) return false;
      prev_.Move += d == 1 ? 1 : d == 2 ? uint32_t(-1) : 0;
      prev_.Step = prev_.Move;
      t = prev_;
      return true;
    }
    if (pos_ >= in_.size()) return false;
    const uint8_t b = uint8_t(in_[pos_++]);
    if (b < 81) {
      uint8_t v = b;
      for (auto& g : group_) g = v % 3, v /= 3;
      queued_ = 4;
      groupAt_ = 0;
      continue;
    }
    if (b < kEvent) {
      run_ = b - kRunBase;
      continue;
    }
    if (b >= kShortGroup) {
      if (b >= kShortGroup + 39) return false;
      uint8_t v = b - kShortGroup;
      queued_ = v < 3 ? 1 : v < 12 ? 2 : 3;
      v = uint8_t(v - (queued_ == 1 ? 0 : queued_ == 2 ? 3 : 12));
      for (int i = 0; i < queued_; ++i) group_[i] = v % 3, v /= 3;
      groupAt_ = 0;
      continue;
    }
    const uint8_t flags = b & 0x7F;
    if (flags & ~(kEvControls | kEvMove | kEvStep)) return false;
    TReplayTick n = prev_;
    uint32_t v = 0;
    if (flags & kEvControls) {
      if (!GetVar(in_, pos_, v) || v == 0 || ((n.Controls ^ v) & ~kReplayControlMask)) return false;
      n.Controls ^= v;
    }
    if (flags & kEvMove) {
      if (!GetVar(in_, pos_, v) || v > kMaxValue) return false;
      n.Move = v;
    }
    n.Step = n.Move;
    if (flags & kEvStep) {
      if (!GetVar(in_, pos_, v) || v > kMaxValue) return false;
      n.Step = v;
    }
    prev_ = n;
    t = n;
    return true;
  }
}

// --- the file --------------------------------------------------------------------------------

std::string QuotedText(std::string_view s) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      out += ch;
    } else {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out + "\"";
}

static bool ParseHeader(std::string_view head, uint16_t format, TReplayHeader& h, std::string& error) {
  h = TReplayHeader{};
  TReader hr(head);
  h.FormatVersion = format;
  h.GameVersion = hr.Str(64);
  h.RulesVersion = hr.Le<uint32_t>();
  if (hr.Ok() && h.RulesVersion != kRulesVersion) {
    error =
        _("recorded with rules version {rules} (game version {game}); this game (version {ours}) plays "
          "rules version {our_rules}");
    error =
        Subst(Subst(error, "{rules}", std::to_string(h.RulesVersion)), "{game}", QuotedText(h.GameVersion));
    error = Subst(Subst(error, "{ours}", kGameVersion), "{our_rules}", std::to_string(kRulesVersion));
    return false;
  }
  h.Mode = hr.Le<uint8_t>();
  h.Cols = hr.Le<uint8_t>();
  h.Seed = hr.Le<uint64_t>();
  h.StartTime = hr.Le<uint32_t>();
  const uint8_t flags = hr.Le<uint8_t>();
  h.AdvancedMode1P = flags & 1;
  h.AdvancedMode2P = flags & 2;
  h.DisableGameOver = flags & 4;
  h.HasStartField = {bool(flags & 8), bool(flags & 16)};
  h.Ranked = flags & 32;
  const size_t tuning = hr.Le<uint8_t>();
  for (size_t i = 0; i < tuning && hr.Ok(); ++i) h.Tuning.push_back(hr.Le<int64_t>());
  h.LevelTableHash = hr.Le<uint64_t>();
  h.Date = hr.Le<int64_t>();
  bool fieldsOk = true;
  for (int n = 0; n < 2; ++n) {
    if (!h.HasStartField[size_t(n)]) continue;
    const size_t lines = hr.Le<uint8_t>();
    if (lines > 13) fieldsOk = false;
    for (size_t i = 0; i < lines && hr.Ok() && fieldsOk; ++i) {
      h.StartField[size_t(n)].push_back(hr.Str(16));
      if (!FieldLineOk(h.StartField[size_t(n)].back())) fieldsOk = false;
    }
  }
  for (int n = 0; n < 2; ++n) {
    h.Score[size_t(n)] = hr.Le<int32_t>();
    h.MaxCombo[size_t(n)] = hr.Le<int32_t>();
    h.Level[size_t(n)] = hr.Le<int32_t>();
  }
  h.DurationMs = hr.Le<uint64_t>();
  // Who played and who won follow in versus games; a versus game without them was recorded
  // before they were kept, by anyone.
  bool sidesOk = true;
  if (hr.Ok() && hr.Left() == 3) {
    h.Sides = {hr.Le<uint8_t>(), hr.Le<uint8_t>()};
    h.Winner = hr.Le<uint8_t>();
    sidesOk = h.Sides[0] <= kSideNetwork && h.Sides[1] <= kSideNetwork && h.Winner <= 2;
  } else if (h.Mode == 2) {
    h.Sides = {kSideUnknown, kSideUnknown};
  }
  TGameConfig probe;
  if (!hr.Ok() || !hr.AtEnd() || !sidesOk || !fieldsOk || (flags & ~63) || !(h.Mode == 1 || h.Mode == 2) ||
      h.Cols != (h.Mode == 2 ? 8 : 7) || !ApplyRuleTuning(h.Tuning, probe)) {
    error = _("the file is corrupt (bad header)");
    return false;
  }

  return true;
}

std::string FormatReplay(const TReplayHeader& h, uint32_t ticks, std::string_view stream) {
  std::string head;
  PutStr(head, h.GameVersion);
  PutLe<uint32_t>(head, h.RulesVersion);
  PutLe<uint8_t>(head, h.Mode);
  PutLe<uint8_t>(head, h.Cols);
  PutLe<uint64_t>(head, h.Seed);
  PutLe<uint32_t>(head, h.StartTime);
  const uint8_t flags = (h.AdvancedMode1P ? 1 : 0) | (h.AdvancedMode2P ? 2 : 0) |
                        (h.DisableGameOver ? 4 : 0) | (h.HasStartField[0] ? 8 : 0) |
                        (h.HasStartField[1] ? 16 : 0) | (h.Ranked ? 32 : 0);
  PutLe<uint8_t>(head, flags);
  PutLe<uint8_t>(head, uint8_t(h.Tuning.size()));
  for (int64_t v : h.Tuning) PutLe<int64_t>(head, v);
  PutLe<uint64_t>(head, h.LevelTableHash);
  PutLe<int64_t>(head, h.Date);
  for (int n = 0; n < 2; ++n) {
    if (!h.HasStartField[size_t(n)]) continue;
    const auto& lines = h.StartField[size_t(n)];
    PutLe<uint8_t>(head, uint8_t(lines.size()));
    for (const std::string& l : lines) PutStr(head, l);
  }
  for (int n = 0; n < 2; ++n) {
    PutLe<int32_t>(head, h.Score[size_t(n)]);
    PutLe<int32_t>(head, h.MaxCombo[size_t(n)]);
    PutLe<int32_t>(head, h.Level[size_t(n)]);
  }
  PutLe<uint64_t>(head, h.DurationMs);
  // A one-player game is a person's: it keeps the shorter header every earlier version wrote.
  const bool person = h.Mode != 2 && (h.Sides[0] == kSideHuman || h.Sides[0] == kSideUnknown);
  if (!person) {
    for (uint8_t side : h.Sides) PutLe<uint8_t>(head, side > kSideNetwork ? kSideHuman : side);
    PutLe<uint8_t>(head, h.Winner <= 2 ? h.Winner : 0);
  }

  std::string out(kMagic, 4);
  PutLe<uint16_t>(out, h.FormatVersion);
  PutLe<uint32_t>(out, uint32_t(head.size()));
  out += head;
  PutLe<uint32_t>(out, ticks);
  PutLe<uint32_t>(out, uint32_t(stream.size()));
  out.append(stream);
  PutLe<uint64_t>(out, Fnv(out));
  return out;
}

bool CheckReplayHeader(std::string_view bytes, TReplayHeader& h, std::string& error) {
  if (bytes.size() < 4 || bytes.substr(0, 4) != std::string_view(kMagic, 4)) {
    error = bytes.size() < 4 && std::string_view(kMagic, 4).substr(0, bytes.size()) == bytes
                ? _("the file is truncated")
                : _("not a replay file");
    return false;
  }
  TReader r(bytes.substr(4));
  const uint16_t format = r.Le<uint16_t>();
  if (r.Ok() && format != kReplayFormatVersion) {
    error = Subst(Subst(_("replay format version {format} (this game reads version {ours})"), "{format}",
                        std::to_string(format)),
                  "{ours}", std::to_string(kReplayFormatVersion));
    return false;
  }
  const uint32_t headSize = r.Le<uint32_t>();
  const std::string_view head = r.Bytes(headSize);
  if (!r.Ok()) {
    error = _("the file is truncated");
    return false;
  }
  return ParseHeader(head, format, h, error);
}

bool PeekReplayHeader(std::string_view bytes, TReplayHeader& h) {
  std::string error;
  return CheckReplayHeader(bytes, h, error);
}

bool ParseReplay(std::string_view bytes, TReplayFile& out, std::string& error) {
  out = TReplayFile{};
  if (bytes.size() < 4 || bytes.substr(0, 4) != std::string_view(kMagic, 4)) {
    error = bytes.size() < 4 && std::string_view(kMagic, 4).substr(0, bytes.size()) == bytes
                ? _("the file is truncated")
                : _("not a replay file");
    return false;
  }
  TReader r(bytes.substr(4));
  const uint16_t format = r.Le<uint16_t>();
  if (!r.Ok()) {
    error = _("the file is truncated");
    return false;
  }
  if (format != kReplayFormatVersion) {
    error = Subst(Subst(_("replay format version {format} (this game reads version {ours})"), "{format}",
                        std::to_string(format)),
                  "{ours}", std::to_string(kReplayFormatVersion));
    return false;
  }
  const uint32_t headSize = r.Le<uint32_t>();
  const std::string_view head = r.Bytes(headSize);
  const uint32_t ticks = r.Le<uint32_t>();
  const uint32_t streamSize = r.Le<uint32_t>();
  const std::string_view stream = r.Bytes(streamSize);
  const uint64_t sum = r.Le<uint64_t>();
  if (!r.Ok()) {
    error = _("the file is truncated");
    return false;
  }
  if (!r.AtEnd()) {
    error = _("the file is corrupt (data after the end)");
    return false;
  }
  if (Fnv(bytes.substr(0, bytes.size() - 8)) != sum) {
    error = _("the file is corrupt (checksum mismatch)");
    return false;
  }

  if (!ParseHeader(head, format, out.Header, error)) return false;

  // Every tick must decode, and nothing may follow the last one.
  TReplayCursor cursor(stream);
  TReplayTick t;
  for (uint32_t i = 0; i < ticks; ++i)
    if (!cursor.Next(t)) {
      error = _("the file is corrupt (bad tick data)");
      return false;
    }
  if (!cursor.AtEnd()) {
    error = _("the file is corrupt (bad tick data)");
    return false;
  }
  out.Ticks = ticks;
  out.Stream = std::string(stream);
  return true;
}

}  // namespace kq
