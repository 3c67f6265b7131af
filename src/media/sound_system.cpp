#include "media/sound_system.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "engine/image_list.h"
#include "engine/paths.h"
#include "media/mixer.h"
#include "media/sound_decode.h"
#include "media/sound_names.h"

namespace kq {

namespace {

constexpr int kFirstChannels = 64;
constexpr int kChannelStep = 64;
constexpr int kMaxChannels = 1024;

bool ReadFile(const std::string& path, std::vector<uint8_t>& out) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  out.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return !f.bad();
}

std::string Extension(const std::string& fileName) {
  size_t slash = fileName.find_last_of("/\\");
  size_t dot = fileName.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return UpperCase(std::string_view(fileName).substr(dot));
}

Mix_Chunk* ChunkFromMemory(std::span<const uint8_t> bytes) {
  SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), int(bytes.size()));
  return rw ? Mix_LoadWAV_RW(rw, 1) : nullptr;
}

}  // namespace

TSoundSystem::TSoundSystem() {
  int n = Mix_AllocateChannels(-1);
  if (n < kFirstChannels) n = Mix_AllocateChannels(kFirstChannels);
  channels_.resize(size_t(n));
}

TSoundSystem::~TSoundSystem() {
  for (auto& [name, item] : items_) Mix_FreeChunk(item.Chunk);  // halts its channels too
}

bool TSoundSystem::Has(const std::string& name) const {
  return items_.count(UpperCase(name)) != 0;
}

uint32_t TSoundSystem::Frames(std::string_view name) const {
  auto it = items_.find(UpperCase(name));
  if (it == items_.end()) return 0;
  return it->second.Chunk->alen / uint32_t(2 * 2);
}

std::vector<int> TSoundSystem::PlayingCopies(std::string_view name) const {
  std::vector<int> out;
  auto it = items_.find(UpperCase(name));
  if (it == items_.end()) return out;
  for (size_t ch = 0; ch < channels_.size(); ++ch)
    if (channels_[ch].Owner == it->second.Id && Mix_Playing(int(ch))) out.push_back(int(ch));
  std::sort(out.begin(), out.end(),
            [&](int a, int b) { return channels_[size_t(a)].Order < channels_[size_t(b)].Order; });
  return out;
}

int TSoundSystem::FreeChannel() {
  int idle = -1;
  for (size_t ch = 0; ch < channels_.size(); ++ch) {
    if (Mix_Playing(int(ch))) continue;
    if (channels_[ch].Owner == 0) return int(ch);
    if (idle < 0) idle = int(ch);
  }
  if (idle >= 0) return idle;
  int n = int(channels_.size());
  if (n < kMaxChannels) {
    int got = Mix_AllocateChannels(n + kChannelStep);
    channels_.resize(size_t(got));
    if (got > n) return n;
  }
  // Every channel busy: the sound played longest ago gives way.
  int oldest = 0;
  for (size_t ch = 1; ch < channels_.size(); ++ch)
    if (channels_[ch].Order < channels_[size_t(oldest)].Order) oldest = int(ch);
  return oldest;
}

void TSoundSystem::Play(const std::string& name, bool stopFirst) {
  auto it = items_.find(UpperCase(name));
  if (it == items_.end()) return;
  const TItem& item = it->second;
  if (stopFirst)
    for (size_t ch = 0; ch < channels_.size(); ++ch)
      if (channels_[ch].Owner == item.Id) Mix_HaltChannel(int(ch));

  // Our own play order decides which copy is oldest: the mixer's query breaks ties of equal
  // start times by channel number.
  int playing = 0, finished = -1, oldest = -1;
  for (size_t ch = 0; ch < channels_.size(); ++ch) {
    if (channels_[ch].Owner != item.Id) continue;
    if (Mix_Playing(int(ch))) {
      ++playing;
      if (oldest < 0 || channels_[ch].Order < channels_[size_t(oldest)].Order) oldest = int(ch);
    } else if (finished < 0) {
      finished = int(ch);
    }
  }
  int ch = playing >= kMaxCopies ? oldest : finished >= 0 ? finished : FreeChannel();
  Mix_Volume(ch, ChannelVolume(item.Voice));
  if (Mix_PlayChannel(ch, item.Chunk, 0) < 0) return;
  channels_[size_t(ch)] = {item.Id, ++playOrder_};
}

void TSoundSystem::Stop(const std::string& name) {
  const std::vector<int> copies = PlayingCopies(name);
  if (!copies.empty()) Mix_HaltChannel(copies.back());
}

int TSoundSystem::ChannelVolume(bool voice) const {
  return int(MIX_MAX_VOLUME * VolumeGain(voice ? voicesLevel_ : effectsLevel_) + 0.5);
}

bool TSoundSystem::OwnerIsVoice(int id) const {
  for (const auto& [name, item] : items_)
    if (item.Id == id) return item.Voice;
  return false;
}

void TSoundSystem::SetVolumes(int effects, int voices) {
  effectsLevel_ = effects;
  voicesLevel_ = voices;
  for (size_t ch = 0; ch < channels_.size(); ++ch)
    if (channels_[ch].Owner != 0) Mix_Volume(int(ch), ChannelVolume(OwnerIsVoice(channels_[ch].Owner)));
}

void TSoundSystem::Insert(const std::string& upper, Mix_Chunk* chunk) {
  Remove(upper);
  Mix_VolumeChunk(chunk, int(MIX_MAX_VOLUME * kSourceLevel));  // headroom for overlaps
  items_[upper] = TItem{nextId_++, chunk, upper.rfind("VOICE", 0) == 0};
}

void TSoundSystem::Remove(const std::string& upper) {
  auto it = items_.find(upper);
  if (it == items_.end()) return;
  Mix_FreeChunk(it->second.Chunk);
  items_.erase(it);
}

bool TSoundSystem::LoadSoundAsset(std::string_view name, const std::string& fileName) {
  std::string ext = Extension(fileName);
  if ((ext != ".WAV" && ext != ".MP3") || !FileExists(fileName)) return false;
  std::string upper = UpperCase(name);
  std::vector<uint8_t> bytes;
  bool read = ReadFile(fileName, bytes);
  // A wave file whose chunk sizes claim more than the file holds is broken, whatever it holds.
  if (read && FindRiffChunk(bytes, "fmt ") && !RiffChunksFit(bytes)) {
    Remove(upper);
    loadError_ = "WAVE LOAD_ERROR  " + fileName;
    return false;
  }
  if (read && IsRiffMp3(bytes)) {
    auto data = FindRiffChunk(bytes, "data");
    return LoadMp3(upper, data ? *data : std::span<const uint8_t>{}, fileName);
  }
  if (ext == ".MP3") return LoadMp3(upper, bytes, fileName);
  if (!read) bytes.clear();
  return LoadWave(upper, std::move(bytes), fileName);
}

bool TSoundSystem::LoadWave(const std::string& upper, std::vector<uint8_t> bytes,
                            const std::string& fileName) {
  // Only RIFF WAVE counts as a wave file; the mixer would also take other formats.
  bool riff = FindRiffChunk(bytes, "fmt ").has_value();
  Mix_Chunk* chunk = riff ? ChunkFromMemory(bytes) : nullptr;
  if (!chunk) {
    Remove(upper);
    loadError_ = "WAVE LOAD_ERROR  " + fileName;
    return false;
  }
  if (chunk->alen == 0) {
    Mix_FreeChunk(chunk);
    Remove(upper);
    loadError_ = "WAVE RESTORE_ERROR  " + fileName;
    return false;
  }
  Insert(upper, chunk);
  return true;
}

bool TSoundSystem::LoadMp3(const std::string& upper, std::span<const uint8_t> mp3,
                           const std::string& fileName) {
  TPcm pcm;
  bool decoded = false;
  std::string failure;
  try {
    decoded = DecodeMp3(mp3, pcm);
    if (!decoded) failure = "MP3 DECODE_ERROR  ";
  } catch (...) {
    failure = "MP3 DECODE_EXCEPTION  ";
  }
  if (!tempFileName_.empty()) std::remove(tempFileName_.c_str());
  Mix_Chunk* chunk = nullptr;
  if (decoded) {
    std::vector<uint8_t> wave = MakeWaveFile(pcm);
    pcm = TPcm{};
    chunk = ChunkFromMemory(wave);
    if (!chunk) failure = "MP3 LOAD_ERROR  ";
  }
  if (chunk && chunk->alen == 0) {
    Mix_FreeChunk(chunk);
    chunk = nullptr;
    failure = "MP3 RESTORE_ERROR  ";
  }
  if (!chunk) {
    Remove(upper);
    loadError_ = failure + fileName;
    return false;
  }
  Insert(upper, chunk);
  return true;
}

std::string ChooseSoundFile(const std::string& appPath, std::string_view base) {
  for (const char* ext : {".MP3", ".WAV"}) {
    std::string path = ResolvePath(appPath, std::string(base) + ext);
    if (FileExists(path)) return path;
  }
  return {};
}

std::string LoadGameSounds(TSoundSystem& sounds, const std::string& appPath, bool disableVoice) {
  for (const TSoundName& s : kEffectSounds) {
    std::string file = ChooseSoundFile(appPath, s.Base);
    if (!file.empty()) sounds.LoadSoundAsset(s.Name, file);
  }
  if (!disableVoice) {
    for (std::string_view code : kVoiceCodes) {
      std::string file = ChooseSoundFile(appPath, "VOICE\\voice" + std::string(code));
      if (!file.empty()) sounds.LoadSoundAsset("VOICE" + std::string(code), file);
    }
  }
  return sounds.LoadError();
}

}  // namespace kq
