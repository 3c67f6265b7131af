#include "gen_music/composer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "engine/random.h"
#include "media/midi_file.h"

namespace kq::gen {

namespace {

constexpr uint16_t kTpq = 480;
constexpr uint32_t kSixteenth = kTpq / 4;
constexpr uint32_t kBar = kTpq * 4;
constexpr int kSectionBars = 8;

enum : int { kLeadCh = 0, kPadCh = 1, kBassCh = 2, kArpCh = 3, kCounterCh = 4, kCompCh = 5, kDrumCh = 9 };

// General MIDI drum keys.
enum : int {
  kKick = 36,
  kSideStick = 37,
  kSnare = 38,
  kClap = 39,
  kClosedHat = 42,
  kOpenHat = 46,
  kCrash = 49,
  kRide = 51,
  kLowTom = 45,
  kMidTom = 47,
  kHighTom = 50,
  kFloorTom = 43,
};

int FloorDiv(int a, int b) {
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}
int Mod(int a, int b) {
  return ((a % b) + b) % b;
}

class TScore {
 public:
  void Note(int ch, uint32_t tick, uint32_t len, int key, int vel) {
    key = std::clamp(key, 0, 127);
    vel = std::clamp(vel, 1, 127);
    Events.push_back({tick, {uint8_t(0x90 | ch), uint8_t(key), uint8_t(vel)}});
    Events.push_back({tick + std::max<uint32_t>(len, 1), {uint8_t(0x80 | ch), uint8_t(key), 0}});
  }
  void Control(int ch, int cc, int value) {
    Events.push_back({0, {uint8_t(0xB0 | ch), uint8_t(cc), uint8_t(value)}});
  }
  void Program(int ch, int program) { Events.push_back({0, {uint8_t(0xC0 | ch), uint8_t(program)}}); }
  std::vector<TMidiOut> Events;
};

// Key and chords. Melody pitches are scale indexes: 0 the tonic, 7 the tonic an octave up.
struct TChord {
  int Degree = 0;
  std::vector<int> Pcs;  // semitones above the tonic, 0..11, root first
};

class TKey {
 public:
  TKey(int tonic, bool minor) : tonic_(tonic), minor_(minor) {}
  int Semitone(int degree) const {
    static const int kMajor[7] = {0, 2, 4, 5, 7, 9, 11};
    static const int kMinor[7] = {0, 2, 3, 5, 7, 8, 10};
    return (minor_ ? kMinor : kMajor)[Mod(degree, 7)] + 12 * FloorDiv(degree, 7);
  }
  // In minor the dominant takes the leading tone, so melody and chord agree at the cadence.
  bool RaisedSeventh(const TChord& c) const { return minor_ && Mod(c.Degree, 7) == 4; }
  int Key(int index, const TChord& c) const {
    int s = Semitone(index);
    if (RaisedSeventh(c) && Mod(index, 7) == 6) ++s;
    return tonic_ + s;
  }
  TChord Chord(int degree, bool seventh) const {
    TChord c;
    c.Degree = degree;
    for (int k = 0; k < (seventh ? 4 : 3); ++k) {
      int idx = degree + 2 * k;
      int s = Semitone(idx);
      if (minor_ && Mod(degree, 7) == 4 && Mod(idx, 7) == 6) ++s;
      c.Pcs.push_back(Mod(s, 12));
    }
    return c;
  }
  bool ChordTone(int index, const TChord& c) const {
    int pc = Mod(Key(index, c) - tonic_, 12);
    return std::find(c.Pcs.begin(), c.Pcs.end(), pc) != c.Pcs.end();
  }
  int Tonic() const { return tonic_; }

 private:
  int tonic_;
  bool minor_;
};

// Nearest key with pitch class pc (semitones above tonic) inside [lo, hi].
int PlaceInRange(int tonic, int pc, int lo, int hi) {
  int k = tonic + pc;
  while (k > hi) k -= 12;
  while (k < lo) k += 12;
  return k;
}

// ---------------------------------------------------------------- melody

struct TMelNote {
  uint32_t Start = 0;  // sixteenths from the start of the section
  uint32_t Len = 0;
  int Index = 0;
  bool Rest = false;
};

// One bar of rhythm in sixteenths; negative values are rests.
using TRhythm = std::vector<int>;

const std::vector<TRhythm>& BodyRhythms() {
  static const std::vector<TRhythm> r{
      {4, 4, 4, 4},       {2, 2, 4, 4, 4}, {6, 2, 4, 4},     {4, 2, 2, 4, 4}, {8, 4, 4},
      {2, 2, 2, 2, 4, 4}, {4, 4, 8},       {6, 2, 8},        {2, 4, 2, 4, 4}, {-2, 2, 2, 2, 4, 4},
      {4, 2, 2, 2, 2, 4}, {3, 3, 2, 4, 4}, {-4, 2, 2, 4, 4},
  };
  return r;
}

const std::vector<TRhythm>& EndRhythms() {
  static const std::vector<TRhythm> r{{4, 4, 8}, {12, -4}, {6, 2, 8}, {4, 12}, {2, 2, 12}, {8, 4, -4}};
  return r;
}

const std::vector<TRhythm>& SlowRhythms() {
  static const std::vector<TRhythm> r{{8, 8}, {12, 4}, {16}, {8, 4, 4}, {4, 4, 8}, {6, 2, 8}};
  return r;
}

class TMelodyWriter {
 public:
  TMelodyWriter(const TKey& key, TRandom& rng, int lo, int hi, int bpm)
      : key_(key), rng_(rng), lo_(lo), hi_(hi), bpm_(bpm) {}

  // Eight bars over the chords, as two four-bar phrases of the form a b a' end.
  std::vector<TMelNote> Section(const std::vector<TChord>& chords, int startIndex, bool slow,
                                bool finalCadence) {
    std::vector<TMelNote> out;
    TRhythm r1 = PickBody(slow), r2 = PickBody(slow);
    std::vector<int> motif;
    int prev = startIndex;
    for (int phrase = 0; phrase < 2; ++phrase) {
      if (phrase == 1 && rng_.Random(2) == 0) r2 = PickBody(slow);
      const auto& ends = slow ? SlowRhythms() : EndRhythms();
      TRhythm end = ends[size_t(rng_.Random(int(ends.size())))];
      for (int bar = 0; bar < 4; ++bar) {
        int b = phrase * 4 + bar;
        const TChord& c = chords[size_t(b)];
        const TRhythm& r = bar == 0 || bar == 2 ? r1 : bar == 1 ? r2 : end;
        bool reuse = bar == 2 || (phrase == 1 && bar == 0);
        // The motif of bar 1 returns in bar 3 and at the second phrase, moved to fit its chord.
        if (reuse) prev = NearestChordTone(prev + (bar == 2 ? 1 : 0), c);
        // Rise through the first half of a phrase, fall towards its end.
        int bias = bar < 2 ? 1 : -1;
        bool last = bar == 3;
        Bar(out, uint32_t(b * 16), r, c, prev, reuse ? &motif : nullptr,
            bar == 0 && phrase == 0 ? &motif : nullptr, bias, last, last && phrase == 1 && finalCadence);
      }
    }
    return out;
  }

 private:
  TRhythm PickBody(bool slow) {
    const auto& bank = slow ? SlowRhythms() : BodyRhythms();
    // Fast songs keep to the plainer rhythms; slow songs may run in sixteenths.
    for (;;) {
      const TRhythm& r = bank[size_t(rng_.Random(int(bank.size())))];
      int notes = int(std::count_if(r.begin(), r.end(), [](int v) { return v > 0; }));
      if (bpm_ >= 140 && notes > 5) continue;
      return r;
    }
  }

  int NearestChordTone(int target, const TChord& c) const {
    for (int d = 0; d < 7; ++d) {
      for (int s : {target + d, target - d})
        if (s >= lo_ && s <= hi_ && key_.ChordTone(s, c)) return s;
    }
    return std::clamp(target, lo_, hi_);
  }

  int RandomStep(int bias, int lastStep) {
    if (std::abs(lastStep) >= 3) return lastStep > 0 ? -1 : 1;  // a leap turns back by step
    int roll = rng_.Random(20);
    int size = roll < 2 ? 0 : roll < 12 ? 1 : roll < 17 ? 2 : roll < 19 ? 3 : 4;
    int sign = rng_.Random(10) < (bias > 0 ? 6 : 4) ? 1 : -1;
    return size * sign;
  }

  void Bar(std::vector<TMelNote>& out, uint32_t start, const TRhythm& rhythm, const TChord& chord, int& prev,
           const std::vector<int>* motifIn, std::vector<int>* motifOut, int bias, bool phraseEnd,
           bool cadence) {
    uint32_t pos = start;
    int lastStep = 0;
    size_t noteNo = 0;
    int lastNote = -1;
    for (size_t i = 0; i < rhythm.size(); ++i) {
      int len = rhythm[i];
      if (len < 0) {
        out.push_back({pos, uint32_t(-len), 0, true});
        pos += uint32_t(-len);
        continue;
      }
      int step = motifIn && noteNo < motifIn->size() ? (*motifIn)[noteNo] : RandomStep(bias, lastStep);
      if (motifOut) motifOut->push_back(step);
      int target = prev + step;
      if (target > hi_ || target < lo_) target = prev - step;
      bool strong = (pos - start) % 8 == 0 || len >= 6;
      if (strong) target = NearestChordTone(target, chord);
      target = std::clamp(target, lo_, hi_);
      lastStep = target - prev;
      prev = target;
      out.push_back({pos, uint32_t(len), target, false});
      lastNote = int(out.size()) - 1;
      pos += uint32_t(len);
      ++noteNo;
    }
    // A phrase comes to rest on a chord tone; the song's last phrase on the tonic itself.
    if (phraseEnd && lastNote >= 0) {
      TMelNote& n = out[size_t(lastNote)];
      if (cadence) {
        int t = n.Index;
        int best = t;
        for (int d = 0; d < 7; ++d)
          for (int s : {t + d, t - d})
            if (Mod(s, 7) == 0 && s >= lo_ && s <= hi_ && best == t && Mod(t, 7) != 0) best = s;
        n.Index = Mod(t, 7) == 0 ? t : best;
      } else {
        n.Index = NearestChordTone(n.Index, chord);
      }
      prev = n.Index;
    }
  }

  const TKey& key_;
  TRandom& rng_;
  int lo_, hi_, bpm_;
};

// ---------------------------------------------------------------- accompaniment

// The chord's voicing closest to the previous one, within [lo, hi].
std::vector<int> VoiceLead(const TKey& key, const TChord& c, const std::vector<int>& prev, int lo, int hi) {
  std::vector<int> best;
  int bestCost = 1 << 30;
  for (size_t inv = 0; inv < c.Pcs.size(); ++inv) {
    for (int base = lo; base <= lo + 11; ++base) {
      if (Mod(base - key.Tonic(), 12) != c.Pcs[inv]) continue;
      std::vector<int> v{base};
      for (size_t k = 1; k < c.Pcs.size(); ++k) {
        int pc = c.Pcs[(inv + k) % c.Pcs.size()];
        int n = v.back() + 1;
        while (Mod(n - key.Tonic(), 12) != pc) ++n;
        v.push_back(n);
      }
      if (v.back() > hi) continue;
      int cost = 0;
      if (prev.size() == v.size())
        for (size_t k = 0; k < v.size(); ++k) cost += std::abs(v[k] - prev[k]);
      else
        cost = std::abs(v[0] - (lo + hi) / 2);
      if (cost < bestCost) {
        bestCost = cost;
        best = v;
      }
    }
  }
  return best;
}

struct TBassStep {
  int Pos;  // sixteenths
  int Len;
  char What;  // R root, F fifth, O octave, A approach to the next root
};

const std::vector<TBassStep>& BassPattern(TGroove g) {
  static const std::vector<TBassStep> rock{{0, 2, 'R'}, {2, 2, 'R'},  {4, 2, 'R'},  {6, 2, 'R'},
                                           {8, 2, 'R'}, {10, 2, 'R'}, {12, 2, 'F'}, {14, 2, 'A'}};
  static const std::vector<TBassStep> dance{{0, 1, 'R'}, {2, 2, 'O'},  {4, 1, 'R'},  {6, 2, 'O'},
                                            {8, 1, 'R'}, {10, 2, 'O'}, {12, 1, 'R'}, {14, 2, 'O'}};
  static const std::vector<TBassStep> funk{{0, 3, 'R'},  {3, 1, 'O'},  {6, 2, 'R'},  {8, 2, 'F'},
                                           {10, 1, 'O'}, {11, 1, 'R'}, {12, 2, 'F'}, {14, 2, 'A'}};
  static const std::vector<TBassStep> half{{0, 6, 'R'}, {6, 2, 'R'}, {8, 4, 'F'}, {12, 2, 'O'}, {14, 2, 'A'}};
  static const std::vector<TBassStep> ballad{{0, 8, 'R'}, {8, 6, 'F'}, {14, 2, 'A'}};
  switch (g) {
    case TGroove::Rock:
      return rock;
    case TGroove::Dance:
      return dance;
    case TGroove::Funk:
      return funk;
    case TGroove::HalfTime:
      return half;
    case TGroove::Ballad:
      return ballad;
  }
  return rock;
}

struct THit {
  int Pos;
  int Key;
  int Vel;
};

std::vector<THit> DrumBar(TGroove g, int barInSection, TRandom& rng) {
  std::vector<THit> h;
  switch (g) {
    case TGroove::Rock:
      for (int p = 0; p < 16; p += 2) h.push_back({p, kClosedHat, p % 4 == 0 ? 80 : 60});
      h.push_back({0, kKick, 105});
      h.push_back({8, kKick, 100});
      if (barInSection % 2 == 1) h.push_back({10, kKick, 85});
      h.push_back({4, kSnare, 100});
      h.push_back({12, kSnare, 100});
      break;
    case TGroove::Dance:
      for (int p = 0; p < 16; p += 4) h.push_back({p, kKick, 110});
      for (int p = 2; p < 16; p += 4) h.push_back({p, kOpenHat, 70});
      for (int p = 1; p < 16; p += 2) h.push_back({p, kClosedHat, 40});
      h.push_back({4, kClap, 90});
      h.push_back({12, kClap, 90});
      h.push_back({4, kSnare, 70});
      h.push_back({12, kSnare, 70});
      break;
    case TGroove::Funk:
      for (int p = 0; p < 16; ++p) h.push_back({p, kClosedHat, p % 4 == 0 ? 85 : p % 2 == 0 ? 65 : 45});
      h.push_back({0, kKick, 110});
      h.push_back({7, kKick, 90});
      h.push_back({10, kKick, 95});
      h.push_back({4, kSnare, 105});
      h.push_back({12, kSnare, 105});
      h.push_back({9, kSnare, 35});
      h.push_back({15, kSnare, 30});
      break;
    case TGroove::HalfTime:
      for (int p = 0; p < 16; p += 2) h.push_back({p, kClosedHat, p % 4 == 0 ? 75 : 55});
      h.push_back({0, kKick, 105});
      h.push_back({11, kKick, 85});
      h.push_back({8, kSnare, 105});
      break;
    case TGroove::Ballad:
      for (int p = 0; p < 16; p += 4) h.push_back({p, kRide, 55});
      h.push_back({0, kKick, 70});
      h.push_back({10, kKick, 55});
      h.push_back({4, kSideStick, 60});
      h.push_back({12, kSideStick, 60});
      break;
  }
  // A fill closes every section.
  if (barInSection == kSectionBars - 1) {
    int from = g == TGroove::Ballad ? 12 : 8;
    h.erase(
        std::remove_if(h.begin(), h.end(), [&](const THit& x) { return x.Pos >= from && x.Key != kKick; }),
        h.end());
    static const int toms[] = {kHighTom, kHighTom, kMidTom, kMidTom, kLowTom, kLowTom, kFloorTom, kFloorTom};
    for (int p = from; p < 16; ++p) {
      bool snare = rng.Random(3) == 0;
      int vel = 70 + (p - from) * 4;
      if (g == TGroove::Ballad) vel -= 25;
      h.push_back({p, snare ? kSnare : toms[(p - from) * 8 / (16 - from)], vel});
    }
  }
  for (THit& x : h) x.Vel = std::clamp(x.Vel + rng.Random(9) - 4, 1, 127);
  return h;
}

// Sixteenth positions of the rhythmic chords of one bar.
std::vector<int> CompPattern(TGroove g) {
  switch (g) {
    case TGroove::Rock:
      return {0, 4, 6, 8, 12, 14};
    case TGroove::Dance:
      return {2, 6, 10, 14};
    case TGroove::Funk:
      return {0, 3, 6, 10, 12};
    case TGroove::HalfTime:
      return {0, 8, 14};
    case TGroove::Ballad:
      return {0, 8};
  }
  return {0, 8};
}

enum class TPart { Intro, A, B, C, Outro };

}  // namespace

std::vector<uint8_t> ComposeSong(const TSongStyle& st) {
  TRandom rng(st.Seed);
  TKey key(st.Tonic, st.Minor);
  TScore score;
  bool slow = st.Bpm < 100;

  auto chordsFor = [&](const std::vector<int>& prog, int bars) {
    std::vector<TChord> c;
    for (int b = 0; b < bars; ++b) c.push_back(key.Chord(prog[size_t(b) % prog.size()], st.Sevenths));
    return c;
  };
  std::vector<TChord> chordsA = chordsFor(st.ProgressionA, kSectionBars);
  std::vector<TChord> chordsB = chordsFor(st.ProgressionB, kSectionBars);
  // The song's last section comes home: its final bar is the tonic.
  std::vector<TChord> chordsEnd = chordsA;
  if (chordsEnd.back().Degree != 0) {
    chordsEnd[kSectionBars - 2] = key.Chord(4, st.Sevenths);
    chordsEnd[kSectionBars - 1] = key.Chord(0, false);
  }

  // Melodies are written once per section kind, so the song's themes come back.
  TMelodyWriter lead(key, rng, 4, 14, st.Bpm);
  std::vector<TMelNote> melA = lead.Section(chordsA, 9, slow, false);
  std::vector<TMelNote> closing = lead.Section(chordsEnd, 9, slow, true);
  // The last section repeats the first but for its closing phrase.
  std::vector<TMelNote> melEnd;
  for (const TMelNote& n : melA)
    if (n.Start < 4 * 16) melEnd.push_back(n);
  for (const TMelNote& n : closing)
    if (n.Start >= 4 * 16) melEnd.push_back(n);
  TMelodyWriter leadHigh(key, rng, 6, 16, st.Bpm);
  std::vector<TMelNote> melB = leadHigh.Section(chordsB, 11, slow, false);
  TMelodyWriter counter(key, rng, 0, 10, 200);
  std::vector<TMelNote> melC = counter.Section(chordsA, 5, true, false);

  std::vector<TPart> plan{TPart::Intro, TPart::A, TPart::B, TPart::A,
                          TPart::C,     TPart::B, TPart::A, TPart::Outro};
  double barSeconds = 240.0 / st.Bpm;
  auto planSeconds = [&] {
    double bars = 0;
    for (TPart p : plan) bars += p == TPart::Intro ? 4 : p == TPart::Outro ? 2 : kSectionBars;
    return bars * barSeconds;
  };
  // Slow songs need fewer sections to last their minute.
  if (planSeconds() > 2 * st.MinSeconds) plan.erase(plan.begin() + 4, plan.begin() + 6);
  while (planSeconds() < st.MinSeconds) plan.insert(plan.end() - 1, {TPart::B, TPart::A});
  int lastA = -1;
  for (size_t i = 0; i < plan.size(); ++i)
    if (plan[i] == TPart::A) lastA = int(i);

  // Set-up: tempo, instruments, levels, pan and reverb.
  uint32_t tempo = uint32_t(60000000 / st.Bpm);
  score.Events.push_back({0, {0xFF, 0x51, 3, uint8_t(tempo >> 16), uint8_t(tempo >> 8), uint8_t(tempo)}});
  struct TPartSetup {
    int Ch, Program, Volume, Pan, Reverb;
  };
  std::vector<TPartSetup> setup{{kLeadCh, st.Lead, 100, 64, 45},      {kPadCh, st.Pad, 72, 40, 70},
                                {kBassCh, st.Bass, 100, 64, 15},      {kArpCh, st.Arp, 68, 90, 60},
                                {kCounterCh, st.Counter, 95, 76, 55}, {kDrumCh, 0, 100, 64, 35}};
  if (st.Comp >= 0) setup.push_back({kCompCh, st.Comp, 70, 50, 40});
  for (const TPartSetup& p : setup) {
    if (p.Ch != kDrumCh) score.Program(p.Ch, p.Program);
    score.Control(p.Ch, 7, p.Volume);
    score.Control(p.Ch, 10, p.Pan);
    score.Control(p.Ch, 91, p.Reverb);
    score.Control(p.Ch, 93, p.Ch == kPadCh ? 40 : 10);
  }

  uint32_t bar0 = 0;
  std::vector<int> voicing;
  double gate = slow ? 0.95 : 0.85;
  auto playMelody = [&](int ch, const std::vector<TMelNote>& mel, const std::vector<TChord>& chords,
                        uint32_t at, int velBase) {
    for (const TMelNote& n : mel) {
      if (n.Rest) continue;
      const TChord& c = chords[std::min<size_t>(n.Start / 16, chords.size() - 1)];
      bool beat = n.Start % 4 == 0;
      int vel = velBase + (beat ? 8 : 0) + rng.Random(7) - 3;
      uint32_t len = uint32_t(double(n.Len * kSixteenth) * gate);
      score.Note(ch, at + n.Start * kSixteenth, len, key.Key(n.Index, c), vel);
    }
  };

  for (size_t si = 0; si < plan.size(); ++si) {
    TPart part = plan[si];
    int bars = part == TPart::Intro ? 4 : part == TPart::Outro ? 2 : kSectionBars;
    const std::vector<TChord>& chords = part == TPart::B ? chordsB : int(si) == lastA ? chordsEnd : chordsA;
    std::vector<TChord> outro{key.Chord(0, false), key.Chord(0, false)};
    const std::vector<TChord>& ch = part == TPart::Outro ? outro : chords;
    bool arp = part == TPart::B || part == TPart::C || (part == TPart::A && si > 3);

    if (part == TPart::A) playMelody(kLeadCh, int(si) == lastA ? melEnd : melA, ch, bar0, 92);
    if (part == TPart::B) playMelody(kLeadCh, melB, ch, bar0, 98);
    if (part == TPart::C) playMelody(kCounterCh, melC, ch, bar0, 90);

    for (int b = 0; b < bars; ++b) {
      uint32_t t = bar0 + uint32_t(b) * kBar;
      const TChord& c = ch[size_t(b)];
      const TChord& next = b + 1 < bars ? ch[size_t(b) + 1] : (si + 1 < plan.size() ? chordsA[0] : ch[0]);
      bool lastBar = part == TPart::Outro && b == bars - 1;

      // Pad: the chord held through the bar, led smoothly from the last one.
      voicing = VoiceLead(key, c, voicing, 52, 74);
      for (int k : voicing)
        score.Note(kPadCh, t, lastBar ? kBar * 2 : kBar - 10, k, part == TPart::Intro ? 55 : 62);

      // Bass.
      int root = PlaceInRange(key.Tonic(), c.Pcs[0], 36, 47);
      int nextRoot = PlaceInRange(key.Tonic(), next.Pcs[0], 36, 47);
      if (lastBar) {
        score.Note(kBassCh, t, kBar * 2, root, 100);
      } else {
        for (const TBassStep& s : BassPattern(st.Groove)) {
          int k = s.What == 'R' ? root : s.What == 'F' ? root + 7 : s.What == 'O' ? root + 12 : nextRoot - 1;
          if (s.What == 'A' && nextRoot == root) k = root + 7;
          int vel = (s.Pos % 4 == 0 ? 100 : 82) + rng.Random(7) - 3;
          score.Note(kBassCh, t + uint32_t(s.Pos) * kSixteenth, uint32_t(s.Len) * kSixteenth * 9 / 10, k,
                     vel);
        }
      }

      // Broken chords through two octaves.
      if (arp && !lastBar) {
        int step = st.Bpm >= 130 ? 2 : 1;
        std::vector<int> tones;
        for (int o = 0; o < 2; ++o)
          for (int pc : c.Pcs) tones.push_back(PlaceInRange(key.Tonic(), pc, 60, 71) + 12 * o);
        std::sort(tones.begin(), tones.end());
        std::vector<int> order;
        for (size_t i = 0; i < tones.size(); ++i) order.push_back(int(i));
        for (size_t i = tones.size() - 2; i >= 1; --i) order.push_back(int(i));
        for (int p = 0, i = 0; p < 16; p += step, ++i) {
          int k = tones[size_t(order[size_t(i) % order.size()])];
          score.Note(kArpCh, t + uint32_t(p) * kSixteenth, uint32_t(step) * kSixteenth, k,
                     58 + (p % 4 == 0 ? 8 : 0));
        }
      }

      // Rhythmic chords.
      if (st.Comp >= 0 && part != TPart::Intro && !lastBar) {
        for (int p : CompPattern(st.Groove))
          for (int k : voicing)
            score.Note(kCompCh, t + uint32_t(p) * kSixteenth, kSixteenth * 2 - 20, k + 12, 64);
      }

      // Drums: the intro starts on hats alone; the outro ends on one crash.
      if (lastBar) {
        score.Note(kDrumCh, t, kTpq, kCrash, 100);
        score.Note(kDrumCh, t, kTpq, kKick, 100);
      } else {
        int inSection = part == TPart::Intro ? b + 4 : b;
        for (const THit& h : DrumBar(st.Groove, inSection, rng)) {
          if (part == TPart::Intro && b < 2 && h.Key != kClosedHat && h.Key != kRide) continue;
          score.Note(kDrumCh, t + uint32_t(h.Pos) * kSixteenth, kSixteenth, h.Key, h.Vel);
        }
        if (b == 0 && part != TPart::Intro) score.Note(kDrumCh, t, kTpq * 2, kCrash, 95);
      }
    }
    bar0 += uint32_t(bars) * kBar;
  }
  // One more bar lets the last chord ring out before the song ends (and starts again).
  return WriteMidiFormat0(kTpq, std::move(score.Events), bar0 + kBar);
}

}  // namespace kq::gen
