#pragma once
// Scenery for the full-screen pictures and the stage backgrounds.
#include <functional>

#include "gen_pictures/art.h"

namespace kq::gen {

// Fills everything below y = curve(x), anti-aliased along the curve; g runs from top to bottom.
void FillBelow(Layer& l, const std::function<float(float)>& curve, const Gradient& g, float top,
               float bottom);
// Rolling hills around y = base.
void DrawHills(Layer& l, float base, float amp, float scale, uint32_t seed, const Gradient& g, float top,
               float bottom);
// A stack of blocks standing on bottomY, pushed back by `haze` (0 clear .. 1 dark).
void DrawBlockTower(Layer& l, Fonts& f, float x, float bottomY, int cols, int rows, float cell, uint32_t seed,
                    float haze);
// The game's logo centred at (cx, cy).
void DrawLogo(Layer& l, Fonts& f, float cx, float cy, float scale);
// The Prism Tower under a stormy sky (opening), or bursting apart at dawn (first ending page).
void DrawTowerScene(Layer& l, Fonts& f, float shatter);
// A distant crystal spire: the Prism Tower seen from afar.
void DrawSpire(Layer& l, float cx, float base, float top, float halfWidth);
void DrawTrophy(Layer& l, float cx, float cy, float scale);
void DrawConfetti(Layer& l, Rng& rng, int count, Box b);
void DrawRainbowArc(Layer& l, Vec c, float radius, float bandWidth, float alpha);
void DrawFirework(Layer& l, Vec c, float radius, Color col, uint32_t seed);

}  // namespace kq::gen
