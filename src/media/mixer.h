#pragma once
// The audio device shared by the sound effects and the music: 44.1 kHz, 16-bit stereo.
#include <memory>
#include <string>

namespace kq {

inline constexpr int kMixRate = 44100;
inline constexpr int kMixChannels = 2;
// Level at which effects, voices and music enter the mix (of full level); the final mix's
// limiter (media/limiter.h) gives back what they lose here.
inline constexpr double kSourceLevel = 0.5;

class TMixLimiter;

class TAudioDevice {
 public:
  TAudioDevice();
  ~TAudioDevice();
  TAudioDevice(const TAudioDevice&) = delete;
  TAudioDevice& operator=(const TAudioDevice&) = delete;

  // Starts SDL's audio and opens the mixer; false (with the reason in error) when there is no
  // usable device, and the game then runs without sound.
  bool Open(std::string* error = nullptr);
  // Closes the mixer; every sound system and music player must be gone by then.
  void Close();
  bool IsOpen() const { return open_; }

 private:
  bool open_ = false;
  std::unique_ptr<TMixLimiter> limiter_;  // runs on the audio thread while open
};

}  // namespace kq
