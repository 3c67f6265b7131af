#pragma once
// Motifs shared by many pictures: the block kinds and their suits, the blocks themselves, the two
// heroes (Kiri for player 1, Quo for player 2), skies, panels and key caps.
#include <string>

#include "gen_pictures/paint.h"
#include "gen_pictures/text.h"

namespace kq::gen {

constexpr int kHazardKind = 6;

// Kinds 0..5 run in rainbow order (red, orange, yellow, green, blue, purple), so a colour shot
// steps through the rainbow; 6 is the hazard block.
Color KindColor(int kind);
const char* KindName(int kind);
// Every colour also has a suit (heart, diamond, star, club, spade, moon) for colour-blind players.
float SdSuit(int kind, Vec p, Vec c, float size);
void DrawSuit(Layer& l, int kind, Vec c, float size, Color fill, Color outline = {0, 0, 0, 0},
              float outlineWidth = 0);

// A block at rest with its top-left at (x, y) and edge s (32 in the sheets). Number blocks carry
// their card number, hard blocks an armour frame; kind 6 is the hazard block.
void DrawBlock(Layer& l, Fonts& f, int kind, bool hard, float x, float y, float s);

enum class Mood { Happy, Attack, Damage, Calm, Cheer };
// A round hero centred at c with body radius r. who: 0 Kiri (red fox), 1 Quo (blue, antenna).
void DrawHero(Layer& l, int who, Vec c, float r, Mood mood);

// Vertical gradient over a box.
void FillVertical(Layer& l, Box b, const Gradient& g);
// Twinkling stars in a box, brighter ones with a cross glint.
void DrawStars(Layer& l, Rng& rng, int count, Box b, float maxSize, Color tint = {1, 1, 1, 1});
// A rounded glass panel: dark translucent fill, light rim, soft top sheen.
void DrawPanel(Layer& l, Box b, float radius, Color fill, Color rim);
// A keyboard key cap with a label, centred at (cx, cy).
void DrawKeyCap(Layer& l, Fonts& f, const std::string& label, float cx, float cy, float w, float h);
// An arrow key cap: dir 0 up, 1 down, 2 left, 3 right.
void DrawArrowCap(Layer& l, float cx, float cy, float s, int dir);
// A soft radial light.
void DrawGlow(Layer& l, Vec c, float r, Color col);
// A four-pointed sparkle.
void DrawSparkle(Layer& l, Vec c, float r, Color col);

// Standard looks for titles and labels.
TextFx HeadingFx(int size, Color top, Color bottom, Color outline);

}  // namespace kq::gen
