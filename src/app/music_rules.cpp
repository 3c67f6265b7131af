#include "app/music_rules.h"

#include "core/context.h"

namespace kq {

bool HandleMusicEvent(GameContext& g, uint32_t userEventType) {
  if (!g.Music || !g.Music->SongEnded(userEventType)) return false;
  OnSongEnded(g);
  return true;
}

void OnSongEnded(GameContext& g) {
  if (g.Config.DisableBgm || !g.Music) return;
  bool playing = g.ScreenState == scPlay;
  if (playing && g.GameMode == 2) {
    g.PlayRandomBgm();
    return;
  }
  if (playing && g.Player1P.Phase == gpEnding) return;
  g.Music->Play();
}

}  // namespace kq
