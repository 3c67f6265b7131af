#pragma once
// The sprite tree: every sprite is owned by its parent, moves in creation order and draws in Z
// order. Kill() only marks a sprite; the engine frees it at the next Sweep().
#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/canvas.h"
#include "engine/image_list.h"

namespace kq {

class TSpriteEngine;

class TSprite {
 public:
  explicit TSprite(TSprite* parent);
  virtual ~TSprite();
  TSprite(const TSprite&) = delete;
  TSprite& operator=(const TSprite&) = delete;

  TSpriteEngine* Engine = nullptr;
  TSprite* Parent = nullptr;
  bool Moving = true;
  bool Visible = true;
  double X = 0, Y = 0;
  int Width = 0, Height = 0;

  int Z() const { return z_; }
  // Numbers the sprites of an engine in the order they were made (from 1; 0 outside an engine).
  uint64_t Serial() const { return serial_; }
  void SetZ(int z);
  void Kill();
  bool Dying() const { return dying_; }

  void MoveTree(int elapsed);
  void DrawTree();
  double WorldX() const;
  double WorldY() const;

  int Count() const { return int(children_.size()); }
  // Throws ESpriteError for an index the sprite does not have.
  TSprite* Child(int index) const;
  // Destroys every child at once.
  void ClearChildren();

  virtual void Collide() {}
  virtual void Render() {}
  virtual void Advance(int /*elapsed*/) {}
  virtual RectI BoundsRect() const;

 private:
  void InsertIntoDrawList(TSprite* s);
  void RemoveFromLists(TSprite* s);

  int z_ = 0;
  uint64_t serial_ = 0;
  bool dying_ = false;
  std::vector<TSprite*> children_;  // creation order, owned
  std::vector<TSprite*> drawList_;  // the same children by Z
};

class TImageSprite : public TSprite {
 public:
  using TSprite::TSprite;

  int PatternCount = 0;
  bool PatternLoop = false;
  double PatternPos = 0;
  double PatternSpeed = 0;
  int PatternStart = 0;
  TPictureItem* Picture = nullptr;
  bool Transparent = true;

  void Advance(int elapsed) override;
  void Render() override;
  // Pattern size of the picture, 0 without one.
  int PatternWidth() const { return Picture ? Picture->PatW() : 0; }
  int PatternHeight() const { return Picture ? Picture->PatH() : 0; }
  // The pattern shown now: trunc(PatternPos) + PatternStart.
  int CurrentPattern() const { return int(PatternPos) + PatternStart; }
};

class TSpriteEngine : public TSprite {
 public:
  TSpriteEngine() : TSprite(nullptr) { Engine = this; }
  ~TSpriteEngine() override;

  // The surface sprites draw on; null draws nothing (display not ready).
  Canvas* Surface = nullptr;
  int AllCount = 0;  // sprites alive in the tree
  // Sprites made so far: the serial of the newest.
  uint64_t Made() const { return made_; }
  int DrawCount = 0;  // sprites rendered by the last DrawAll

  void Sweep();
  void DrawAll();
  RectI SurfaceRect() const;

  // The form's component calls: move, sweep, draw.
  void MoveSprites(int elapsed) { MoveTree(elapsed); }
  void SweepSprites() { Sweep(); }
  void DrawSprites() {
    if (Surface) DrawAll();
  }

 private:
  friend class TSprite;
  std::vector<TSprite*> deadList_;
  uint64_t made_ = 0;
};

// The game's picture-sprite setup: a negative patternCount takes the picture's own count.
void InitPictureSprite(TImageSprite& sprite, const TImageList& list, std::string_view pictureName, double x,
                       double y, int z, int patternCount, bool loop, double patternSpeed, double patternPos);

}  // namespace kq
