#include "app/match_game.h"

#include <algorithm>

#include "app/replay.h"
#include "core/context.h"
#include "core/tick_driver.h"
#include "engine/image_list.h"
#include "media/audio.h"
#include "net/net_ticks.h"
#include "sprites/effect_sprites.h"
#include "sprites/presentation.h"

namespace kq {

namespace {

// Events that put a picture of their own on the screen or start an animation (the shooter's
// recoil); the rest set the HUD, which follows the state after a re-run anyway.
bool PutsUpPicture(const TRulesEvent& e) {
  switch (e.Kind) {
    case reGameOverDark:
    case reShooter:
    case reDust:
    case reBoard:
    case reCharAnimation:
    case reGameOverTitle:
    case reGameResult:
      return true;
    default:
      return false;
  }
}

bool SameEvent(const TRulesEvent& a, const TRulesEvent& b) {
  return a.Kind == b.Kind && a.Player == b.Player && a.Flag == b.Flag && a.Col == b.Col && a.Row == b.Row &&
         a.Value == b.Value && a.X == b.X && a.Y == b.Y && a.Name == b.Name;
}

bool SameEvents(const std::vector<TRulesEvent>& a, const std::vector<TRulesEvent>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), SameEvent);
}

std::vector<TRulesEvent> Pictures(const std::vector<TRulesEvent>& list) {
  std::vector<TRulesEvent> out;
  std::copy_if(list.begin(), list.end(), std::back_inserter(out), PutsUpPicture);
  return out;
}

}  // namespace

// The rules' sounds of a live tick go through the ledger. Sounds outside a tick (the prompt's
// cursor, a late sound) pass straight on.
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
  return {g_.State, next_, clock_};
}

void TMatchGame::Load(const TMatchSnapshot& s) {
  g_.State = s.State;
  next_ = s.Next;
  clock_ = s.Clock;
}

void TMatchGame::Step(const std::array<uint16_t, 2>& states, bool resim) {
  const uint32_t t = next_;
  const uint32_t len = net::NetTickLength(t);
  clock_ += len;
  if (setClock_) setClock_(clock_);
  const uint64_t before = g_.DXSpriteEngine1.Made();
  if (resim) {
    ++rerunTicks_;
  } else {
    ledger_.TickRuns(t, wallMs_());
    sound_->tick_ = t;
  }
  // A re-run polls no device: the person's keys belong to the tick being made now.
  TControlsInput input(uint32_t(states[0]) | uint32_t(states[1]) << 8, !resim);
  RunTick(g_, clock_, int(len), input);
  sound_->tick_ = 0;
  if (resim) {
    // The presentation showed nothing: the sounds go to the ledger as the live tick would have
    // played them, the pictures wait for the end of the re-run.
    for (const TRulesEvent& e : g_.Events.List) {
      if (!e.IsSound()) continue;
      const std::string name = UpperCase(e.Name);
      if (g_.Config.DisableVoice && name.rfind("VOICE", 0) == 0) continue;
      ledger_.Request(t, name);
    }
    rerunPictures_[t] = Pictures(g_.Events.List);
  } else {
    pictures_[t] = {Pictures(g_.Events.List), before, g_.DXSpriteEngine1.Made(), clock_};
  }
  ++next_;
}

void TMatchGame::BeginRerun(uint32_t fromTick) {
  if (rerunning_) return;
  rerunning_ = true;
  ledger_.BeginRerun(fromTick);
  rerunPictures_.clear();
  savedNoRender_ = g_.NoRender;
  savedRecordSounds_ = g_.RecordSounds;
  g_.NoRender = true;
  g_.RecordSounds = false;
  g_.Events.Resimulating = true;
  // The sprites were moved when these ticks first ran; moving them again would run them ahead.
  g_.DXSpriteEngine1.Moving = false;
}

void TMatchGame::TakeDown(const TTickPictures& t) {
  TSpriteEngine& e = g_.DXSpriteEngine1;
  for (int i = 0; i < e.Count(); ++i) {
    TSprite* s = e.Child(i);
    if (s->Serial() <= t.After || s->Serial() > t.Upto || s->Dying()) continue;
    if (s == g_.RetryYes) g_.RetryYes = nullptr;
    if (s == g_.RetryNo) g_.RetryNo = nullptr;
    s->Kill();
  }
  // The result that tick showed is no result: the tally forgets it.
  for (const TRulesEvent& ev : t.Events)
    if (ev.Kind == reGameResult) {
      int& wins = g_.SessionWins[size_t(1 - (ev.Player & 1))];
      if (!g_.Replaying() && wins > 0) --wins;
      g_.LastWinner = 0;
    }
}

void TMatchGame::ShowSight() {
  // A guess that ended the game took the sight away; the corrected game may still have it.
  for (size_t n = 0; n < 2; ++n) {
    TPlayerInfo& p = g_.State.Players[n];
    TPlayerSprites& view = g_.PlayerSprites[n];
    if (!p.InGame || !p.Sight.Live || view.Sight) continue;
    auto* sight = NewPictureSprite<TSightSprite>(g_, "SIGHT", CellX(p, p.Sight.Col), CellY(p, p.Sight.Row), 6,
                                                 -1, true, 0.003, 0);
    sight->Owner = &p;
    view.Sight = sight;
  }
}

void TMatchGame::EndRerun() {
  if (!rerunning_) return;
  rerunning_ = false;
  g_.NoRender = savedNoRender_;
  g_.RecordSounds = savedRecordSounds_;
  g_.Events.Resimulating = false;
  g_.DXSpriteEngine1.Moving = true;
  const TSoundLedger::TChanges changes = ledger_.EndRerun(wallMs_());
  for (const std::string& name : changes.Stop)
    if (realSound_) realSound_->Stop(name);
  for (const std::string& name : changes.Play) g_.PlaySound(name);
  // Pictures: a tick that made the same ones keeps them; any other shows what it makes now,
  // moved on as if shown at its tick.
  std::map<TSprite*, uint32_t> catchUp;  // sprite, the tick it was shown at
  for (auto& [tick, events] : rerunPictures_) {
    TTickPictures& shown = pictures_[tick];
    if (SameEvents(shown.Events, events)) continue;
    TakeDown(shown);
    ++reshown_;
    shown.After = g_.DXSpriteEngine1.Made();
    g_.Events.Clear();
    g_.Events.List = events;
    PresentRulesEvents(g_);
    shown.Events = std::move(events);
    shown.Upto = g_.DXSpriteEngine1.Made();
    TSpriteEngine& engine = g_.DXSpriteEngine1;
    for (int i = engine.Count() - 1; i >= 0 && engine.Child(i)->Serial() > shown.After; --i)
      catchUp[engine.Child(i)] = tick;
    for (const TRulesEvent& e : shown.Events)
      if (e.Kind == reShooter)
        if (TImageSprite* shooter = g_.PlayerSprites[e.Player & 1].Shooter) catchUp[shooter] = tick;
  }
  rerunPictures_.clear();
  g_.Events.Clear();
  CatchUp(catchUp);
  ShowRulesState(g_);
  ShowSight();
}

void TMatchGame::CatchUp(const std::map<TSprite*, uint32_t>& sprites) {
  if (sprites.empty()) return;
  uint32_t first = next_;
  for (const auto& [sprite, tick] : sprites) first = std::min(first, tick);
  // Each tick from the first shown anew to the present, on that tick's clock: the sprites move
  // as the tick's frame moved the others.
  for (uint32_t t = first; t < next_; ++t) {
    auto it = pictures_.find(t);
    if (it == pictures_.end()) continue;
    g_.FrameTime = it->second.Clock;
    for (const auto& [sprite, tick] : sprites)
      if (tick <= t && !sprite->Dying()) sprite->MoveTree(int(net::NetTickLength(t)));
  }
  g_.FrameTime = clock_;
}

void TMatchGame::ForgetThrough(uint32_t tick) {
  ledger_.ForgetThrough(tick);
  pictures_.erase(pictures_.begin(), pictures_.upper_bound(tick));
}

}  // namespace kq
