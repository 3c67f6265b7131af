#include "core/game_state.h"

#include <cstring>
#include <string>
#include <type_traits>

namespace kq {

namespace {

// FNV-1a over 64-bit words.
class THasher {
 public:
  void Word(uint64_t v) {
    for (int i = 0; i < 8; ++i) {
      h_ ^= (v >> (8 * i)) & 0xff;
      h_ *= 0x100000001b3ull;
    }
  }
  template <class T>
  void operator()(T v) {
    if constexpr (std::is_floating_point_v<T>) {
      const double d = v;
      uint64_t bits;
      std::memcpy(&bits, &d, sizeof bits);
      Word(bits);
    } else if constexpr (std::is_enum_v<T>) {
      Word(uint64_t(v));
    } else {
      Word(uint64_t(int64_t(v)));
    }
  }
  void operator()(const std::string& text) {
    Word(text.size());
    for (char c : text) Word(uint8_t(c));
  }
  uint64_t Value() const { return h_; }

 private:
  uint64_t h_ = 0xcbf29ce484222325ull;
};

// A field added to one of these records must be added to its hash below: on the 64-bit GNU
// build the sizes stop the build until it is (a field that fits in padding slips through).
#if defined(__GLIBCXX__) && defined(__LP64__)
static_assert(sizeof(TBlock) == 80 && sizeof(TShot) == 64 && sizeof(TFade) == 20 && sizeof(TRowBar) == 32 &&
                  sizeof(TOverFade) == 32 && sizeof(TSightCell) == 12 && sizeof(TRepeatSlot) == 8,
              "a rules record changed: hash its new fields in HashState");
static_assert(sizeof(TPlayerInfo) == 8696, "the player record changed: hash its new fields in HashState");
static_assert(sizeof(TGameState) == 17528, "the game state changed: hash its new fields in HashState");
#endif

void HashBlock(THasher& h, const TBlock& b) {
  h(b.Serial), h(b.Kind), h(b.ChangeCount), h(b.Hard), h(b.Hazard), h(b.HazardTime), h(b.Dropped);
  h(b.Col), h(b.Row), h(b.TargetRow), h(b.Erased), h(b.Counted), h(b.Falling);
  h(b.PatternPos), h(b.PatternSpeed), h(b.Y), h(b.TargetY), h(b.Speed);
}

void HashFade(THasher& h, const TFade& f) {
  h(f.Stage), h(f.StartTime), h(f.FadeIn), h(f.FadeBack), h(f.HoldTime), h(f.Alpha);
}

void HashPlayer(THasher& h, const TPlayerInfo& p) {
  h(p.PlayerNo), h(p.Active), h(p.AdvancedMode), h(p.InGame), h(p.DealsPoker), h(p.Rival != nullptr);
  h(p.Sight.Col), h(p.Sight.Row), h(p.Sight.FollowRise), h(p.Sight.Live);
  for (const auto& column : p.Cells)
    for (const TBlock& b : column) HashBlock(h, b);
  h(p.FallingList.size());
  for (const TCellRef& e : p.FallingList) h(e.Col), h(e.Row);
  h(p.ShotsInFlight), h(p.ErasingCount), h(p.Level), h(p.LvHardBlockRatio), h(p.LvLineUpInterval);
  h(p.HazardStock), h(p.HazardRelease), h(p.LvNeedBlock), h(p.ErasedInLevel);
  h(p.PokerCards), h(p.PokerSorted), h(p.PokerHand), h(p.PokerState), h(p.HandTime);
  h(p.RainbowMode), h(p.RainbowStart), h(p.BonusGiven);
  h(p.Rows), h(p.Cols), h(p.FieldLeft), h(p.FieldTop), h(p.FieldRight), h(p.FieldBottom);
  h(p.FieldWidthPx), h(p.FieldHeightPx), h(p.FieldCenterX), h(p.FieldCenterY);
  h(p.ShooterPlaced), h(p.ShotFromX), h(p.ShotFromY);
  h(p.Phase), h(p.LineUpTime), h(p.RiseOffset), h(p.PendingLines), h(p.Trimming), h(p.TrimLeft);
  h(p.RestoreLeft), h(p.RestoreBatch), h(p.Combo), h(p.MaxCombo), h(p.Chain), h(p.ShotChain);
  h(p.SeIndex), h(p.VoiceIndex), h(p.VoiceBase), h(p.Score);
  h(p.ChainGauge), h(p.PowerGauge), h(p.RainbowGauge);
  for (const TRepeatSlot& r : p.DirRepeat) h(r.LastTime), h(r.FirstDelay);
  h(p.RaiseRepeat.LastTime), h(p.RaiseRepeat.FirstDelay);
  // DangerShown and DangerSince are left out: no rule reads them, they follow from the fields
  // above tick by tick, and the golden traces hash the rules as they always were.
}

}  // namespace

uint64_t HashState(const TGameState& s) {
  THasher h;
  for (const TPlayerInfo& p : s.Players) HashPlayer(h, p);
  h(s.Shots.size());
  for (const TShot& x : s.Shots) {
    h(x.Serial), h(x.Owner), h(x.ShotType), h(x.Direction), h(x.X), h(x.Y), h(x.Speed);
    h(x.TargetX), h(x.TargetY), h(x.TargetCol), h(x.TargetRow), h(x.Slope), h(x.Intercept);
  }
  h(s.Bars.size());
  for (const TRowBar& b : s.Bars) {
    h(b.Serial), h(b.Owner), h(b.Row);
    HashFade(h, b.Fade);
  }
  h(s.OverFades.size());
  for (const TOverFade& f : s.OverFades) {
    h(f.Serial), h(f.Owner), h(f.Darkened);
    HashFade(h, f.Fade);
  }
  h(s.Leaving.size());
  for (const TLeavingBlock& l : s.Leaving) {
    h(l.Player);
    HashBlock(h, l.Block);
  }
  h(s.NextSerial), h(s.Rng.Word()), h(s.Rng.Increment()), h(s.FrameTime), h(s.ExStage), h(s.EndingStep);
  h(s.EndingTime);
  return h.Value();
}

void LinkRivals(TGameState& s) {
  for (size_t n = 0; n < 2; ++n)
    if (s.Players[n].Rival) s.Players[n].Rival = &s.Players[1 - n];
}

TGameState& TGameState::operator=(const TGameState& other) {
  if (this == &other) return *this;
  Players = other.Players;
  Shots = other.Shots;
  Bars = other.Bars;
  OverFades = other.OverFades;
  Leaving = other.Leaving;
  NextSerial = other.NextSerial;
  Rng = other.Rng;
  FrameTime = other.FrameTime;
  ExStage = other.ExStage;
  EndingStep = other.EndingStep;
  EndingTime = other.EndingTime;
  LinkRivals(*this);
  return *this;
}

}  // namespace kq
