#pragma once
// The audio device shared by the sound effects and the music: 44.1 kHz, 16-bit stereo.
#include <string>

namespace kq {

inline constexpr int kMixRate = 44100;
inline constexpr int kMixChannels = 2;

class TAudioDevice {
 public:
  TAudioDevice() = default;
  ~TAudioDevice() { Close(); }
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
};

}  // namespace kq
