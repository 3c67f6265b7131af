#include "gen_sounds/effects.h"

namespace kq::gen {

namespace {

// Two-operator FM bell: bright at the strike, mellowing as the modulation decays.
double Bell(double hz, double t, double decay) {
  double index = 1.8 * std::exp(-t / 0.08);
  double m = index * std::sin(2 * kPi * hz * 3.5 * t);
  return std::sin(2 * kPi * hz * t + m) * std::exp(-t / decay);
}

}  // namespace

TSound EraseBell(int n) {
  // Major pentatonic from C5: each step of the chain climbs the ladder.
  static const int kSteps[10] = {72, 74, 76, 79, 81, 84, 86, 88, 91, 93};
  double root = NoteHz(kSteps[std::clamp(n, 1, 10) - 1]);
  TSound s(0.55);
  for (size_t i = 0; i < s.Size(); ++i) {
    double t = s.Time(i);
    double v = Bell(root, t, 0.22);
    // A grace note an octave up, 40 ms later, gives the sparkle of a cleared group.
    if (t > 0.04) v += 0.45 * Bell(root * 2, t - 0.04, 0.12);
    double attack = std::min(1.0, t / 0.002);
    s.S[i] = float(v * attack);
  }
  FadeOut(s, 0.05);
  Normalize(s, 0.6);
  return s;
}

TSound ChangeChirp() {
  TSound s(0.11);
  TOsc o, o2;
  for (size_t i = 0; i < s.Size(); ++i) {
    double t = s.Time(i);
    double hz = 900 * std::pow(2600.0 / 900.0, std::min(1.0, t / 0.07));
    double v = o.Sine(hz) + 0.3 * o2.Sine(hz * 2);
    s.S[i] = float(v * AttackDecay(t, 0.003, 0.035));
  }
  FadeOut(s, 0.01);
  Normalize(s, 0.5);
  return s;
}

TSound ShotWhoosh() {
  TSound s(0.24);
  TNoise noise(7);
  TFilter f(3.0), g(3.0);
  for (size_t i = 0; i < s.Size(); ++i) {
    double t = s.Time(i);
    // Two resonant band-passes sweeping up: air rushing past.
    double cutoff = 350 * std::pow(12.0, t / 0.24);
    double env = t < 0.04 ? t / 0.04 : std::exp(-(t - 0.04) / 0.08);
    s.S[i] = float(g.Band(f.Band(noise.Next(), cutoff), cutoff) * env);
  }
  FadeOut(s, 0.02);
  Normalize(s, 0.5);
  return s;
}

TSound SelectChime() {
  TSound s(0.3);
  TOsc a, b;
  for (size_t i = 0; i < s.Size(); ++i) {
    double t = s.Time(i);
    double v = 0.6 * a.Triangle(NoteHz(88)) * AttackDecay(t, 0.003, 0.05);
    if (t > 0.07) v += 0.6 * b.Triangle(NoteHz(95)) * AttackDecay(t - 0.07, 0.003, 0.08);
    s.S[i] = float(v);
  }
  FadeOut(s, 0.03);
  Normalize(s, 0.5);
  return s;
}

TSound LevelUpFanfare() {
  // Brass-like saw through a filter that opens on each note: C E G, then a held C major chord.
  struct TNote {
    double Start, Len;
    int Key;
  };
  const TNote notes[] = {{0.00, 0.12, 72}, {0.12, 0.12, 76}, {0.24, 0.12, 79},
                         {0.36, 0.70, 84}, {0.36, 0.70, 79}, {0.36, 0.70, 76}};
  TSound s(1.15);
  for (const TNote& n : notes) {
    TOsc o, o2;
    TFilter f(0.9);
    double hz = NoteHz(n.Key);
    size_t from = size_t(n.Start * kRate), to = std::min(s.Size(), size_t((n.Start + n.Len + 0.1) * kRate));
    for (size_t i = from; i < to; ++i) {
      double t = s.Time(i) - n.Start;
      double gate = t < n.Len ? 1.0 : std::exp(-(t - n.Len) / 0.03);
      double env = std::min(1.0, t / 0.015) * gate * (0.75 + 0.25 * std::exp(-t / 0.1));
      double vibrato = 1 + 0.004 * std::sin(2 * kPi * 5.5 * t) * std::min(1.0, t / 0.3);
      double raw = o.Saw(hz * vibrato) + 0.5 * o2.Saw(hz * 1.003);
      double cutoff = hz * (2 + 6 * std::exp(-t / 0.12));
      s.S[i] += float(f.Low(raw, cutoff) * env);
    }
  }
  FadeOut(s, 0.08);
  Normalize(s, 0.6);
  return s;
}

TSound FlickTick() {
  TSound s(0.06);
  TOsc o;
  TNoise noise(3);
  TFilter f(0.7);
  for (size_t i = 0; i < s.Size(); ++i) {
    double t = s.Time(i);
    double thump = o.Sine(180 * std::exp(-t / 0.03)) * AttackDecay(t, 0.0005, 0.012);
    double click = f.Low(noise.Next(), 1200) * AttackDecay(t, 0.0002, 0.004);
    s.S[i] = float(thump + 0.8 * click);
  }
  FadeOut(s, 0.01);
  Normalize(s, 0.55);
  return s;
}

TSound CursorBlip() {
  TSound s(0.06);
  TOsc o;
  TFilter f(0.7);
  for (size_t i = 0; i < s.Size(); ++i) {
    double t = s.Time(i);
    double v = f.Low(o.Square(1320), 5000) * (t < 0.035 ? 1.0 : std::exp(-(t - 0.035) / 0.006));
    s.S[i] = float(v * std::min(1.0, t / 0.002));
  }
  FadeOut(s, 0.005);
  Normalize(s, 0.35);
  return s;
}

TSound BadBuzz() {
  TSound s(0.4);
  TOsc a, b;
  TFilter f(0.8);
  for (size_t i = 0; i < s.Size(); ++i) {
    double t = s.Time(i);
    double v = f.Low(a.Saw(110) + b.Saw(116.5), 1400) * (t < 0.3 ? 1.0 : std::exp(-(t - 0.3) / 0.03));
    s.S[i] = float(v * std::min(1.0, t / 0.005));
  }
  FadeOut(s, 0.03);
  Normalize(s, 0.5);
  return s;
}

}  // namespace kq::gen
