#include "engine/sprite.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/errors.h"

namespace kq {

TSprite::TSprite(TSprite* parent) : Parent(parent) {
  if (!parent) return;
  parent->children_.push_back(this);
  parent->InsertIntoDrawList(this);
  Engine = parent->Engine;
  if (Engine) {
    ++Engine->AllCount;
    serial_ = ++Engine->made_;
  }
}

TSprite::~TSprite() {
  ClearChildren();
  if (Parent) Parent->RemoveFromLists(this);
  if (Engine && Engine != this) {
    auto& dead = Engine->deadList_;
    dead.erase(std::remove(dead.begin(), dead.end(), this), dead.end());
    --Engine->AllCount;
  }
}

void TSprite::ClearChildren() {
  while (!children_.empty()) delete children_.back();  // the child unlinks itself
}

void TSprite::InsertIntoDrawList(TSprite* s) {
  // First position whose Z is >= the new one: among equal Z the newest draws first (underneath).
  auto it = std::lower_bound(drawList_.begin(), drawList_.end(), s->z_,
                             [](const TSprite* a, int z) { return a->z_ < z; });
  drawList_.insert(it, s);
}

void TSprite::RemoveFromLists(TSprite* s) {
  children_.erase(std::remove(children_.begin(), children_.end(), s), children_.end());
  drawList_.erase(std::remove(drawList_.begin(), drawList_.end(), s), drawList_.end());
}

void TSprite::SetZ(int z) {
  if (z == z_) return;
  z_ = z;
  if (Parent) {
    auto& dl = Parent->drawList_;
    dl.erase(std::remove(dl.begin(), dl.end(), this), dl.end());
    Parent->InsertIntoDrawList(this);
  }
}

void TSprite::Kill() {
  if (!Engine || Engine == this || dying_) return;
  dying_ = true;
  Engine->deadList_.push_back(this);
}

void TSprite::MoveTree(int elapsed) {
  if (!Moving) return;
  Advance(elapsed);
  // Advance may create siblings or children; index so growth is safe.
  for (size_t i = 0; i < children_.size(); ++i) children_[i]->MoveTree(elapsed);
}

void TSprite::DrawTree() {
  if (!Visible) return;
  if (Engine && Engine != this) {
    RectI r = BoundsRect();
    RectI s = Engine->SurfaceRect();
    if (r.X < s.Right() && s.X < r.Right() && r.Y < s.Bottom() && s.Y < r.Bottom()) {
      Render();
      ++Engine->DrawCount;
    }
  }
  for (size_t i = 0; i < drawList_.size(); ++i) drawList_[i]->DrawTree();
}

double TSprite::WorldX() const {
  return Parent ? X + Parent->WorldX() : X;
}
double TSprite::WorldY() const {
  return Parent ? Y + Parent->WorldY() : Y;
}

TSprite* TSprite::Child(int index) const {
  if (index < 0 || index >= int(children_.size())) {
    throw ESpriteError(Subst(Tr("List index out of bounds ({index})"), "{index}", std::to_string(index)));
  }
  return children_[size_t(index)];
}

RectI TSprite::BoundsRect() const {
  return {int(std::trunc(WorldX())), int(std::trunc(WorldY())), Width, Height};
}

void TImageSprite::Advance(int elapsed) {
  PatternPos += PatternSpeed * elapsed;
  if (PatternLoop) {
    if (PatternCount > 0) {
      PatternPos -= std::trunc(PatternPos / PatternCount) * PatternCount;
      if (PatternPos < 0) PatternPos += PatternCount;
    } else {
      PatternPos = 0;
    }
  } else {
    if (PatternPos >= PatternCount) {
      PatternPos = PatternCount - 1;
      PatternSpeed = 0;
    }
    if (PatternPos < 0) {
      PatternPos = 0;
      PatternSpeed = 0;
    }
  }
}

void TImageSprite::Render() {
  if (!Picture || !Engine || !Engine->Surface) return;
  RectI b = BoundsRect();
  int x = b.X + (Width - PatternWidth()) / 2;
  int y = b.Y + (Height - PatternHeight()) / 2;
  Picture->Draw(*Engine->Surface, x, y, CurrentPattern());
}

TSpriteEngine::~TSpriteEngine() {
  ClearChildren();
  deadList_.clear();
}

void TSpriteEngine::Sweep() {
  while (!deadList_.empty()) delete deadList_.back();
}

void TSpriteEngine::DrawAll() {
  DrawCount = 0;
  DrawTree();
}

RectI TSpriteEngine::SurfaceRect() const {
  if (!Surface) return {0, 0, 640, 480};
  return {0, 0, Surface->Width(), Surface->Height()};
}

void InitPictureSprite(TImageSprite& sprite, const TImageList& list, std::string_view pictureName, double x,
                       double y, int z, int patternCount, bool loop, double patternSpeed, double patternPos) {
  sprite.Picture = list.Find(pictureName);
  sprite.Visible = true;
  sprite.X = x;
  sprite.Y = y;
  sprite.SetZ(z);
  sprite.PatternCount =
      patternCount < 0 ? (sprite.Picture ? sprite.Picture->PatternCount() : 0) : patternCount;
  sprite.PatternLoop = loop;
  sprite.PatternSpeed = patternSpeed;
  sprite.PatternPos = patternPos;
}

}  // namespace kq
