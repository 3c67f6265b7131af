#pragma once
// What plays when a song ends.
#include <cstdint>

namespace kq {

struct GameContext;

// For every SDL user event of the main loop: when it is the music player's end of song, applies
// OnSongEnded and returns true.
bool HandleMusicEvent(GameContext& g, uint32_t userEventType);

// In a versus game during play a random song of BgmList follows; otherwise the same song starts
// again, except while player 1 is in the ending (its song plays once).
void OnSongEnded(GameContext& g);

}  // namespace kq
