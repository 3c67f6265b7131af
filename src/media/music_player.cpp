#include "media/music_player.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "engine/image_list.h"
#include "media/fluid_synth.h"
#include "media/mixer.h"

namespace kq {

namespace fs = std::filesystem;

std::string FindSoundFont() {
  std::vector<std::string> dirs{"/usr/share/sounds/sf2/", "/usr/share/soundfonts/", "/usr/share/sounds/sf3/"};
  for (const std::string& d : dirs)
    for (const char* name : {"TimGM6mb.sf2", "default-GM.sf2", "default-GM.sf3", "default.sf2"})
      if (std::error_code ec; fs::is_regular_file(d + name, ec)) return d + name;
  std::vector<std::string> found;
  for (const std::string& d : dirs) {
    std::error_code ec;
    for (auto it = fs::directory_iterator(d, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
      std::string ext = UpperCase(it->path().extension().string());
      if ((ext == ".SF2" || ext == ".SF3") && it->is_regular_file(ec)) found.push_back(it->path().string());
    }
  }
  std::sort(found.begin(), found.end());
  return found.empty() ? std::string() : found.front();
}

struct TMidiPlayer::TSynth {
  std::unique_ptr<TFluidSynth> Fluid;
  SDL_mutex* Lock = nullptr;
  ~TSynth() {
    if (Lock) SDL_DestroyMutex(Lock);
  }
};

namespace {

class TLock {
 public:
  explicit TLock(SDL_mutex* m) : m_(m) { SDL_LockMutex(m_); }
  ~TLock() { SDL_UnlockMutex(m_); }

 private:
  SDL_mutex* m_;
};

}  // namespace

std::unique_ptr<TMidiPlayer> TMidiPlayer::Create(const std::string& soundFont, std::string* error) {
  int freq = 0, channels = 0;
  Uint16 format = 0;
  if (!Mix_QuerySpec(&freq, &format, &channels) || freq != kMixRate || format != AUDIO_S16SYS ||
      channels != kMixChannels) {
    if (error) *error = "the audio device is not open at 44.1 kHz 16-bit stereo";
    return nullptr;
  }
  auto synth = std::make_unique<TSynth>();
  synth->Fluid = TFluidSynth::Create(soundFont, error);
  if (!synth->Fluid) return nullptr;
  synth->Lock = SDL_CreateMutex();
  Uint32 type = SDL_RegisterEvents(1);
  if (!synth->Lock || type == Uint32(-1)) {
    if (error) *error = SDL_GetError();
    return nullptr;
  }
  std::unique_ptr<TMidiPlayer> p(new TMidiPlayer);
  p->synth_ = std::move(synth);
  p->eventType_ = type;
  Mix_HookMusic(&TMidiPlayer::MixCallback, p.get());
  return p;
}

TMidiPlayer::~TMidiPlayer() {
  // Returns once the audio thread is out of our callback.
  if (synth_) Mix_HookMusic(nullptr, nullptr);
}

void TMidiPlayer::MixCallback(void* self, uint8_t* stream, int len) {
  static_cast<TMidiPlayer*>(self)->Mix(reinterpret_cast<int16_t*>(stream), len / (2 * kMixChannels));
}

// Audio thread. Nothing here calls the mixer; the end of a song is only posted as an event.
void TMidiPlayer::Mix(int16_t* out, int frames) {
  bool ended = false;
  {
    TLock lock(synth_->Lock);
    TFluidSynth& fluid = *synth_->Fluid;
    if (playing_) {
      if (seq_.Fill(out, frames, fluid)) {
        playing_ = false;
        ended_ = true;
        ended = true;
        tails_ = true;
      }
    } else if (tails_ && fluid.ActiveVoices() > 0) {
      fluid.Render(out, frames);
    } else {
      std::memset(out, 0, size_t(frames) * kMixChannels * sizeof(int16_t));
    }
  }
  if (const float gain = gain_.load(); gain < 1.0f)
    for (int i = 0; i < frames * kMixChannels; ++i) out[i] = int16_t(float(out[i]) * gain);
  if (ended) {
    SDL_Event e{};
    e.type = eventType_;
    SDL_PushEvent(&e);
  }
}

void TMidiPlayer::SetVolume(int level) {
  gain_ = float(VolumeGain(level));
}

bool TMidiPlayer::Open(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  auto song = std::make_unique<TMidiSong>();
  if (!ParseMidiFile(bytes, kMixRate, *song)) return false;
  OpenSong(std::move(song));
  return true;
}

void TMidiPlayer::OpenSong(std::unique_ptr<TMidiSong> song) {
  {
    TLock lock(synth_->Lock);
    song_.swap(song);
    seq_.SetSong(song_.get());
    playing_ = false;
    ended_ = false;
    tails_ = false;
    paused_ = false;
    synth_->Fluid->Reset();
  }
  // The old song is freed here, outside the audio lock.
}

void TMidiPlayer::Play() {
  TLock lock(synth_->Lock);
  if (!song_ || playing_) return;
  paused_ = false;
  if (ended_ || seq_.AtEnd()) seq_.Rewind();
  ended_ = false;
  playing_ = true;
}

void TMidiPlayer::SetPaused(bool paused) {
  TLock lock(synth_->Lock);
  if (paused && playing_) {
    playing_ = false;  // the mix renders nothing, so the sounding notes wait too
    paused_ = true;
  } else if (!paused && paused_) {
    paused_ = false;
    playing_ = true;
  }
}

void TMidiPlayer::Stop() {
  TLock lock(synth_->Lock);
  paused_ = false;
  playing_ = false;
  ended_ = false;
  tails_ = false;
  seq_.Rewind();
  synth_->Fluid->Reset();
}

bool TMidiPlayer::SongEnded(uint32_t userEventType) {
  // An event from a song that has since been stopped or replaced is stale.
  return userEventType == eventType_ && eventType_ != 0 && ended_;
}

}  // namespace kq
