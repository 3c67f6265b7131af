#pragma once
// Start-up and shut-down of the audio layer (sound effects, voices, MIDI player).
namespace kq {

struct GameContext;

// Loads the effects and (unless voices are off) the voices; sets g.SoundLoadError on failures.
void LoadSoundAssets(GameContext& g);
// Creates the MIDI player.
void CreateMusicPlayer(GameContext& g);
// Releases the audio devices.
void ShutDownAudio(GameContext& g);

}  // namespace kq
