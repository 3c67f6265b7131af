#include "app/match_game.h"

#include "app/replay.h"
#include "core/context.h"
#include "core/tick_driver.h"
#include "media/audio.h"
#include "net/lockstep.h"

namespace kq {

// The rules' sounds of a tick go through the ledger: played when it says so, only noted while
// re-running. Sounds outside a tick (the prompt's cursor) pass straight on.
class TMatchGame::TLedgerSound final : public ISoundSystem {
 public:
  TLedgerSound(ISoundSystem* real, TSoundLedger& ledger) : real_(real), ledger_(ledger) {}
  void Play(const std::string& name, bool stopFirst) override {
    if (tick_ != 0 && !ledger_.Request(tick_, name)) return;
    if (real_) real_->Play(name, stopFirst);
  }
  bool Has(const std::string& name) const override { return real_ && real_->Has(name); }
  void SetVolumes(int effects, int voices) override {
    if (real_) real_->SetVolumes(effects, voices);
  }
  void Stop(const std::string& name) override {
    if (real_) real_->Stop(name);
  }
  uint32_t tick_ = 0;

 private:
  ISoundSystem* real_;
  TSoundLedger& ledger_;
};

TMatchGame::TMatchGame(GameContext& g, uint32_t startClock, std::function<uint32_t()> wallMs,
                       std::function<void(uint32_t)> setClock)
    : g_(g),
      wallMs_(std::move(wallMs)),
      setClock_(std::move(setClock)),
      realSound_(g.Sound),
      clock_(startClock) {
  sound_ = std::make_unique<TLedgerSound>(realSound_, ledger_);
  g_.Sound = sound_.get();
}

TMatchGame::~TMatchGame() {
  if (rerunning_) EndRerun();
  if (g_.Sound == sound_.get()) g_.Sound = realSound_;
}

TMatchSnapshot TMatchGame::Save() const {
  return {g_.State, next_, clock_, g_.LastWinner, g_.SessionWins, g_.RetryChoice, g_.RetryYes, g_.RetryNo};
}

void TMatchGame::Load(const TMatchSnapshot& s) {
  g_.State = s.State;
  next_ = s.Next;
  clock_ = s.Clock;
  g_.LastWinner = s.LastWinner;
  g_.SessionWins = s.SessionWins;
  g_.RetryChoice = s.RetryChoice;
  g_.RetryYes = s.RetryYes;
  g_.RetryNo = s.RetryNo;
}

void TMatchGame::Step(const std::array<uint16_t, 2>& states, bool resim) {
  const uint32_t t = next_;
  const uint32_t len = net::NetTickLength(t);
  clock_ += len;
  if (setClock_) setClock_(clock_);
  if (!resim) ledger_.TickRuns(t, wallMs_());
  if (resim) ++rerunTicks_;
  sound_->tick_ = t;
  // A re-run polls no device: the person's keys belong to the tick being made now.
  TControlsInput input(uint32_t(states[0]) | uint32_t(states[1]) << 8, !resim);
  RunTick(g_, clock_, int(len), input);
  sound_->tick_ = 0;
  ++next_;
}

void TMatchGame::BeginRerun(uint32_t fromTick) {
  if (rerunning_) return;
  rerunning_ = true;
  ledger_.BeginRerun(fromTick);
  savedNoRender_ = g_.NoRender;
  savedRecordSounds_ = g_.RecordSounds;
  g_.NoRender = true;
  g_.RecordSounds = false;
  // The sprites were moved when these ticks first ran; moving them again would run them ahead.
  g_.DXSpriteEngine1.Moving = false;
}

void TMatchGame::EndRerun() {
  if (!rerunning_) return;
  rerunning_ = false;
  g_.NoRender = savedNoRender_;
  g_.RecordSounds = savedRecordSounds_;
  g_.DXSpriteEngine1.Moving = true;
  const TSoundLedger::TChanges changes = ledger_.EndRerun(wallMs_());
  for (const std::string& name : changes.Stop)
    if (realSound_) realSound_->Stop(name);
  for (const std::string& name : changes.Play) {
    if (g_.RecordSounds) g_.SoundLog.push_back({g_.TickCount, name});
    if (realSound_) realSound_->Play(name, false);
  }
}

void TMatchGame::ForgetThrough(uint32_t tick) {
  ledger_.ForgetThrough(tick);
}

}  // namespace kq
