#include "media/sound_system.h"

#include <set>

#include "media/audio_fixture.h"
#include "media/sound_names.h"

namespace kq::test {
namespace {

using SoundSystemTest = AudioTest;

std::vector<int> gFinished;
void RecordFinished(int channel) {
  gFinished.push_back(channel);
}

TEST_F(SoundSystemTest, PlayedSoundIsHeardAndSilenceIsNot) {
  WriteTone(Path("beep.wav"), 0.5);
  TSoundSystem s;
  ASSERT_TRUE(s.LoadSoundAsset("beep", Path("beep.wav")));
  SDL_Delay(150);
  EXPECT_EQ(gPeak.load(), 0) << "nothing plays yet";
  s.Play("BEEP", false);
  EXPECT_TRUE(HeardWithin(1000));
}

TEST_F(SoundSystemTest, EffectAndVoiceVolumesApplyApartAndToCopiesAlreadyPlaying) {
  WriteTone(Path("beep.wav"), 3.0);
  TSoundSystem s;
  ASSERT_TRUE(s.LoadSoundAsset("SE01", Path("beep.wav")));
  ASSERT_TRUE(s.LoadSoundAsset("VOICE02", Path("beep.wav")));
  auto peakFor = [&](int ms) {
    SDL_Delay(60);  // what the mixer had already rendered
    gPeak = 0;
    SDL_Delay(ms);
    return gPeak.load();
  };
  s.Play("SE01", false);
  ASSERT_TRUE(HeardWithin(1000));
  const int full = peakFor(150);
  ASSERT_GT(full, 1000);
  s.SetVolumes(5, 10);  // the effect already playing turns down at once
  const int half = peakFor(150);
  EXPECT_GT(half, full / 8);
  EXPECT_LT(half, full / 2);
  s.SetVolumes(0, 10);
  EXPECT_EQ(peakFor(150), 0);
  // Voices keep their own volume; effects played now stay silent.
  s.Play("SE01", true);
  s.Play("VOICE02", false);
  EXPECT_GT(peakFor(150), full / 2);
  s.SetVolumes(10, 0);
  EXPECT_GT(peakFor(150), full / 2);  // the effect again, the voice silent
  s.Play("SE01", true);
  s.SetVolumes(0, 0);
  EXPECT_EQ(peakFor(150), 0);
}

TEST_F(SoundSystemTest, NamesCompareWithoutCase) {
  WriteTone(Path("beep.wav"), 0.5);
  TSoundSystem s;
  ASSERT_TRUE(s.LoadSoundAsset("b_Change", Path("beep.wav")));
  EXPECT_TRUE(s.Has("B_CHANGE"));
  EXPECT_TRUE(s.Has("b_change"));
  s.Play("b_cHANGE", false);
  EXPECT_EQ(s.PlayingCopies("B_CHANGE").size(), 1u);
  // A sound taken back stops its newest copy only; stopping what does not play is nothing.
  s.Play("B_CHANGE", false);
  const std::vector<int> two = s.PlayingCopies("B_CHANGE");
  ASSERT_EQ(two.size(), 2u);
  s.Stop("b_change");
  EXPECT_EQ(s.PlayingCopies("B_CHANGE"), std::vector<int>{two.front()});
  s.Stop("NO_SUCH_SOUND");
  s.Stop("B_CHANGE");
  s.Stop("B_CHANGE");
  EXPECT_TRUE(s.PlayingCopies("B_CHANGE").empty());
  // Loading again under the same name replaces the sound.
  ASSERT_TRUE(s.LoadSoundAsset("B_CHANGE", Path("beep.wav")));
  EXPECT_EQ(s.Count(), 1u);
}

TEST_F(SoundSystemTest, SixtyFifthPlayRestartsTheOldestCopy) {
  WriteTone(Path("long.wav"), 3.0);
  WriteTone(Path("other.wav"), 3.0, 660);
  TSoundSystem s;
  ASSERT_TRUE(s.LoadSoundAsset("LONG", Path("long.wav")));
  ASSERT_TRUE(s.LoadSoundAsset("OTHER", Path("other.wav")));
  s.Play("OTHER", false);
  for (int i = 0; i < kMaxCopies; ++i) s.Play("LONG", false);
  std::vector<int> copies = s.PlayingCopies("LONG");
  ASSERT_EQ(copies.size(), size_t(kMaxCopies));
  EXPECT_EQ(std::set<int>(copies.begin(), copies.end()).size(), size_t(kMaxCopies)) << "one channel per copy";

  // A copy that has finished is reused before anything is restarted, and counts as newest.
  int finished = copies[10];
  Mix_HaltChannel(finished);
  s.Play("LONG", false);
  copies = s.PlayingCopies("LONG");
  ASSERT_EQ(copies.size(), size_t(kMaxCopies));
  EXPECT_EQ(copies.back(), finished);

  // 64 playing: the oldest play restarts, not the lowest channel and not the reused one.
  int oldest = copies.front();
  gFinished.clear();
  Mix_ChannelFinished(RecordFinished);
  s.Play("LONG", false);
  Mix_ChannelFinished(nullptr);
  EXPECT_EQ(gFinished, std::vector<int>{oldest}) << "the mixer cut exactly that copy";
  copies = s.PlayingCopies("LONG");
  EXPECT_EQ(copies.size(), size_t(kMaxCopies));
  EXPECT_EQ(copies.back(), oldest);
  EXPECT_EQ(s.PlayingCopies("OTHER").size(), 1u) << "other sounds keep their copy";
  EXPECT_EQ(Mix_Playing(-1), kMaxCopies + 1);
}

TEST_F(SoundSystemTest, StopFirstStopsEveryCopyOfThatSoundOnly) {
  WriteTone(Path("long.wav"), 3.0);
  TSoundSystem s;
  ASSERT_TRUE(s.LoadSoundAsset("A", Path("long.wav")));
  ASSERT_TRUE(s.LoadSoundAsset("B", Path("long.wav")));
  for (int i = 0; i < 3; ++i) s.Play("A", false);
  s.Play("B", false);
  ASSERT_EQ(s.PlayingCopies("A").size(), 3u);
  s.Play("A", true);
  EXPECT_EQ(s.PlayingCopies("A").size(), 1u);
  EXPECT_EQ(s.PlayingCopies("B").size(), 1u);
}

TEST_F(SoundSystemTest, ManySoundsBeyondTheFirstChannelsStillPlay) {
  WriteTone(Path("long.wav"), 3.0);
  TSoundSystem s;
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(s.LoadSoundAsset("S" + std::to_string(i), Path("long.wav")));
  for (int i = 0; i < 3; ++i)
    for (int k = 0; k < 40; ++k) s.Play("S" + std::to_string(i), false);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(s.PlayingCopies("S" + std::to_string(i)).size(), 40u);
}

TEST_F(SoundSystemTest, UnknownNamesAndOtherExtensionsDoNothing) {
  WriteTone(Path("beep.ogg"), 0.2);
  TSoundSystem s;
  s.Play("NOPE", false);
  EXPECT_FALSE(s.LoadSoundAsset("X", Path("beep.ogg")));
  EXPECT_FALSE(s.LoadSoundAsset("X", Path("missing.wav")));
  EXPECT_EQ(s.LoadError(), "") << "missing files are skipped without a message";
  EXPECT_EQ(Mix_Playing(-1), 0);
}

TEST_F(SoundSystemTest, Mp3FixtureDecodesToTheTone) {
  std::ifstream f(Fixture("tone440.mp3"), std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  TPcm pcm;
  ASSERT_TRUE(DecodeMp3(bytes, pcm));
  EXPECT_EQ(pcm.Rate, 44100);
  EXPECT_EQ(pcm.Channels, 1);
  // 0.3 s plus the encoder's padding, which lame's info frame lets the decoder trim.
  EXPECT_NEAR(double(pcm.Samples.size()) / 44100, 0.3, 0.06);
  // Count zero crossings in the middle of the tone: 440 Hz.
  size_t from = pcm.Samples.size() / 4, to = 3 * pcm.Samples.size() / 4;
  int crossings = 0;
  for (size_t i = from + 1; i < to; ++i) crossings += (pcm.Samples[i - 1] < 0) != (pcm.Samples[i] < 0);
  double hz = crossings / 2.0 / (double(to - from) / 44100);
  EXPECT_NEAR(hz, 440, 10);
}

TEST_F(SoundSystemTest, Mp3InsideRiffDecodesAndPlays) {
  std::filesystem::create_directories(Path("SND"));
  std::filesystem::copy_file(Fixture("tone440_riff.wav"), Path("SND/shot.wav"));
  std::ifstream f(Path("SND/shot.wav"), std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(IsRiffMp3(bytes));
  TSoundSystem s;
  ASSERT_TRUE(s.LoadSoundAsset("SHOT", Path("SND/shot.wav"))) << s.LoadError();
  EXPECT_NEAR(s.Frames("SHOT") / 44100.0, 0.3, 0.06);
  s.Play("SHOT", false);
  EXPECT_TRUE(HeardWithin(1000));
}

TEST_F(SoundSystemTest, Mp3IsChosenBeforeWave) {
  WriteTone(Path("SND/shot.wav"), 1.0);
  std::filesystem::copy_file(Fixture("tone440.mp3"), Path("SND/SHOT.mp3"));
  EXPECT_EQ(ChooseSoundFile(App(), "SND\\shot"), Path("SND/SHOT.mp3"));
  TSoundSystem s;
  EXPECT_EQ(LoadGameSounds(s, App(), false), "");
  EXPECT_NEAR(s.Frames("SHOT") / 44100.0, 0.3, 0.06) << "the 1 s wave was not used";
  std::filesystem::remove(Path("SND/SHOT.mp3"));
  EXPECT_EQ(ChooseSoundFile(App(), "snd\\SHOT"), Path("SND/shot.wav"));
  EXPECT_EQ(ChooseSoundFile(App(), "SND\\BAD"), "");
}

TEST_F(SoundSystemTest, LoadFailuresGiveTheirTextsAndLoadingGoesOn) {
  std::string riffJunk = std::string("RIFF\x20\0\0\0WAVEfmt \x04\0\0\0junkdata\x04\0\0\0abcd", 36);
  WriteText(Path("SND/shot.wav"), riffJunk);
  WriteText(Path("SND/CURSOR.mp3"), "this is not an MPEG stream at all, just words");
  WriteTone(Path("SND/B_FLICK.wav"), 0.2);
  WriteTone(Path("SND/BAD.wav"), 0.2);
  TSoundSystem s;
  std::string last = LoadGameSounds(s, App(), false);
  EXPECT_TRUE(s.Has("B_FLICK"));
  EXPECT_TRUE(s.Has("BAD")) << "loading went on after the failures";
  EXPECT_FALSE(s.Has("SHOT"));
  EXPECT_FALSE(s.Has("CURSOR"));
  // CURSOR comes after shot in the table, so its text is the one left.
  EXPECT_EQ(last, "MP3 DECODE_ERROR  " + Path("SND/CURSOR.mp3"));

  EXPECT_FALSE(s.LoadSoundAsset("SHOT", Path("SND/shot.wav")));
  EXPECT_EQ(s.LoadError(), "WAVE LOAD_ERROR  " + Path("SND/shot.wav"));
  s.Play("SHOT", false);
  EXPECT_EQ(Mix_Playing(-1), 0);
}

TEST_F(SoundSystemTest, OtherBrokenFiles) {
  TSoundSystem s;
  // Not RIFF at all, though the mixer could guess another format.
  WriteText(Path("a.wav"), "OggS plain text");
  EXPECT_FALSE(s.LoadSoundAsset("A", Path("a.wav")));
  EXPECT_EQ(s.LoadError(), "WAVE LOAD_ERROR  " + Path("a.wav"));
  // Format tag 0x55 without a data chunk.
  std::string noData =
      std::string("RIFF\x18\0\0\0WAVEfmt \x10\0\0\0\x55\0\x01\0\x44\xac\0\0\0\0\0\0\x01\0\0\0", 36);
  WriteText(Path("b.wav"), noData);
  EXPECT_FALSE(s.LoadSoundAsset("B", Path("b.wav")));
  EXPECT_EQ(s.LoadError(), "MP3 DECODE_ERROR  " + Path("b.wav"));
  // An empty wave cannot become a playable sound.
  TPcm empty{22050, 1, {}};
  WriteBytes(Path("c.wav"), MakeWaveFile(empty));
  EXPECT_FALSE(s.LoadSoundAsset("C", Path("c.wav")));
  EXPECT_EQ(s.LoadError(), "WAVE RESTORE_ERROR  " + Path("c.wav"));

  // A failed reload leaves the name absent, not the old sound.
  WriteTone(Path("d.wav"), 0.2);
  ASSERT_TRUE(s.LoadSoundAsset("D", Path("d.wav")));
  WriteText(Path("d.wav"), "broken now");
  EXPECT_FALSE(s.LoadSoundAsset("D", Path("d.wav")));
  EXPECT_FALSE(s.Has("D"));
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// The largest single request made through SDL's allocator while installed.
size_t gLargestAlloc = 0;
SDL_malloc_func gMalloc;
SDL_calloc_func gCalloc;
SDL_realloc_func gRealloc;
SDL_free_func gFree;
void* CountMalloc(size_t n) {
  gLargestAlloc = std::max(gLargestAlloc, n);
  return gMalloc(n);
}
void* CountCalloc(size_t n, size_t size) {
  gLargestAlloc = std::max(gLargestAlloc, n * size);
  return gCalloc(n, size);
}
void* CountRealloc(void* p, size_t n) {
  gLargestAlloc = std::max(gLargestAlloc, n);
  return gRealloc(p, n);
}

TEST_F(SoundSystemTest, ChunkSizesBeyondTheFileAreALoadErrorNotAnAllocation) {
  // 244 bytes whose data chunk claims 3.2 GB; a valid fmt chunk before it.
  TPcm pcm{22050, 1, std::vector<int16_t>(100, 1000)};
  std::vector<uint8_t> wave = MakeWaveFile(pcm);
  ASSERT_EQ(wave.size(), 244u);
  const uint32_t claim = 3200000000u;
  for (int i = 0; i < 4; ++i) wave[40 + size_t(i)] = uint8_t(claim >> (8 * i));
  WriteBytes(Path("huge.wav"), wave);
  // The same lie in the fmt chunk, and in a wave file holding MP3 data.
  std::vector<uint8_t> badFmt = MakeWaveFile(pcm);
  badFmt[16] = 0xFF, badFmt[17] = 0xFF, badFmt[18] = 0xFF, badFmt[19] = 0x7F;
  WriteBytes(Path("fmt.wav"), badFmt);
  std::vector<uint8_t> riffMp3 = ReadBytes(Fixture("tone440_riff.wav"));
  ASSERT_TRUE(IsRiffMp3(riffMp3));
  ASSERT_TRUE(RiffChunksFit(riffMp3));
  riffMp3.resize(riffMp3.size() - 100);  // its data chunk now runs past the end
  EXPECT_FALSE(RiffChunksFit(riffMp3));
  WriteBytes(Path("mp3.wav"), riffMp3);
  WriteTone(Path("good.wav"), 0.2);

  SDL_GetMemoryFunctions(&gMalloc, &gCalloc, &gRealloc, &gFree);
  gLargestAlloc = 0;
  SDL_SetMemoryFunctions(CountMalloc, CountCalloc, CountRealloc, gFree);
  TSoundSystem s;
  for (const char* name : {"huge.wav", "fmt.wav", "mp3.wav"}) {
    EXPECT_FALSE(s.LoadSoundAsset("SHOT", Path(name))) << name;
    EXPECT_EQ(s.LoadError(), "WAVE LOAD_ERROR  " + Path(name));
    EXPECT_FALSE(s.Has("SHOT"));
  }
  const size_t largest = gLargestAlloc;
  SDL_SetMemoryFunctions(gMalloc, gCalloc, gRealloc, gFree);
  EXPECT_LT(largest, size_t(1) << 20);
  // The game plays on: the next sound loads and plays.
  ASSERT_TRUE(s.LoadSoundAsset("SHOT", Path("good.wav")));
  s.Play("SHOT", false);
  EXPECT_GT(Mix_Playing(-1), 0);

  // Only the missing pad byte after the last chunk is forgiven.
  std::vector<uint8_t> odd = MakeWaveFile(TPcm{22050, 1, std::vector<int16_t>(3, 0)});
  odd[40] = 5;  // an odd data size: 5 bytes and a pad byte that is not there
  odd.resize(44 + 5);
  EXPECT_TRUE(RiffChunksFit(odd));
  odd[40] = 6;
  odd.resize(44 + 5);
  EXPECT_FALSE(RiffChunksFit(odd));
}

TEST_F(SoundSystemTest, LoudOverlapsAreLimitedNotClipped) {
  // Four full-scale sounds at once: the mixer's sum would sit at full scale for most of a wave.
  TSoundSystem s;
  for (int n = 0; n < 4; ++n) {
    TPcm pcm{22050, 1, {}};
    for (int i = 0; i < 22050; ++i)
      pcm.Samples.push_back(int16_t(32767 * std::sin(2 * M_PI * (300 + 40 * n) * i / 22050.0)));
    WriteBytes(Path("loud" + std::to_string(n) + ".wav"), MakeWaveFile(pcm));
    ASSERT_TRUE(s.LoadSoundAsset("LOUD" + std::to_string(n), Path("loud" + std::to_string(n) + ".wav")));
  }
  for (int n = 0; n < 4; ++n) s.Play("LOUD" + std::to_string(n), false);
  ASSERT_TRUE(HeardWithin(1000, 20000));
  SDL_Delay(300);
  EXPECT_LE(gPeak.load(), 29204);  // -1 dBFS
}

TEST_F(SoundSystemTest, TempFileNeverLeftBehind) {
  std::string temp = Path("$KQ001$.TMP");
  WriteText(temp, "left over");
  std::filesystem::copy_file(Fixture("tone440.mp3"), Path("x.mp3"));
  TSoundSystem s;
  s.SetTempFileName(temp);
  ASSERT_TRUE(s.LoadSoundAsset("X", Path("x.mp3")));
  EXPECT_FALSE(std::filesystem::exists(temp));
}

TEST_F(SoundSystemTest, VoicesOnlyWhenEnabledAndOnlyTheTableOnes) {
  WriteTone(Path("SND/shot.wav"), 0.2);
  for (const char* v : {"voice01", "voice02", "voice0B", "voice1A", "voice51", "voice5A", "voice5b"})
    WriteTone(Path(std::string("VOICE/") + v + ".wav"), 0.2);
  {
    TSoundSystem s;
    LoadGameSounds(s, App(), true);
    EXPECT_TRUE(s.Has("SHOT"));
    EXPECT_FALSE(s.Has("VOICE1A"));
    EXPECT_FALSE(s.Has("VOICE02"));
    s.Play("VOICE1A", false);
    EXPECT_EQ(Mix_Playing(-1), 0);
  }
  TSoundSystem s;
  LoadGameSounds(s, App(), false);
  EXPECT_TRUE(s.Has("VOICE02"));
  EXPECT_TRUE(s.Has("VOICE1A"));
  EXPECT_TRUE(s.Has("VOICE5A"));
  // The erase voices of indexes 1 and 11 are not in the table: even with files they play nothing.
  for (const char* v : {"VOICE01", "VOICE0B", "VOICE51", "VOICE5B"}) {
    EXPECT_FALSE(s.Has(v)) << v;
    s.Play(v, false);
  }
  EXPECT_EQ(Mix_Playing(-1), 0);
  SDL_Delay(100);
  EXPECT_EQ(gPeak.load(), 0);
}

TEST_F(SoundSystemTest, DefaultPackLoadsWhole) {
  std::string app = std::string(KQ_BIN_DIR) + "/";
  TSoundSystem s;
  EXPECT_EQ(LoadGameSounds(s, app, false), "");
  for (const TSoundName& n : kEffectSounds) EXPECT_TRUE(s.Has(std::string(n.Name))) << n.Name;
  // Voices come with espeak-ng at build time; without it the pack simply has none.
  if (std::filesystem::exists(app + "VOICE")) {
    for (std::string_view code : kVoiceCodes) EXPECT_TRUE(s.Has("VOICE" + std::string(code))) << code;
  }
}

}  // namespace
}  // namespace kq::test
