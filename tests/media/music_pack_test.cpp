// The generated songs: playable by our player, long enough, and in tune with themselves.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "media/midi_file.h"
#include "media/music_list.h"

namespace kq {
namespace {

std::string BgmFolder() {
  return std::string(KQ_BIN_DIR) + "/BGM/";
}

TMidiSong Load(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  TMidiSong song;
  std::string error;
  EXPECT_TRUE(ParseMidiFile(bytes, 44100, song, &error)) << path << ": " << error;
  return song;
}

TEST(MusicPack, FrontEndSongsAndLevelSongsSpreadOverTheLevels) {
  for (const char* name : {"BGM_OPENING.mid", "BGM_HOWTO.mid", "BGM_ENDING.mid"})
    EXPECT_TRUE(std::filesystem::exists(BgmFolder() + name)) << name;
  std::vector<std::string> list = BuildBgmList(std::string(KQ_BIN_DIR) + "/");
  ASSERT_GE(list.size(), 8u);
  // The one-player game changes song at levels with a file; no long stretch goes without one
  // in the first hundred levels.
  std::vector<int> levels;
  for (const std::string& p : list) levels.push_back(std::stoi(p.substr(p.size() - 7, 3)));
  EXPECT_EQ(levels.front(), 1);
  for (size_t i = 1; i < levels.size(); ++i) {
    if (levels[i] <= 101) {
      EXPECT_LE(levels[i] - levels[i - 1], 20) << levels[i];
    }
  }
  EXPECT_GE(levels.back(), 150);
}

TEST(MusicPack, EverySongLastsAMinuteAndReleasesEveryNote) {
  int songs = 0;
  for (auto& entry : std::filesystem::directory_iterator(BgmFolder())) {
    TMidiSong song = Load(entry.path().string());
    ++songs;
    EXPECT_GE(double(song.EndFrame) / 44100.0, 60.0) << entry.path();
    std::map<int, int> held;  // channel * 128 + key
    std::set<int> channels;
    for (const TMidiEvent& e : song.Events) {
      int kind = e.Status & 0xF0, ch = e.Status & 0x0F;
      if (kind == 0x90 && e.Data2 > 0) {
        ++held[ch * 128 + e.Data1];
        channels.insert(ch);
      }
      if (kind == 0x80 || (kind == 0x90 && e.Data2 == 0)) --held[ch * 128 + e.Data1];
      ASSERT_LE(e.Frame, song.EndFrame);
    }
    for (auto& [k, n] : held) EXPECT_EQ(n, 0) << entry.path() << " channel " << k / 128 << " key " << k % 128;
    // Melody, harmony, bass and drums at least.
    for (int ch : {0, 1, 2, 9}) EXPECT_TRUE(channels.count(ch)) << entry.path() << " channel " << ch;
  }
  EXPECT_GE(songs, 11);
}

TEST(MusicPack, MelodyOnTheBeatBelongsToTheHarmony) {
  for (auto& entry : std::filesystem::directory_iterator(BgmFolder())) {
    TMidiSong song = Load(entry.path().string());
    std::map<int, int> pad;  // sounding harmony keys
    int notes = 0, inChord = 0, downbeats = 0, downbeatsInChord = 0;
    std::set<uint64_t> chordStarts;
    for (const TMidiEvent& e : song.Events)
      if (e.Status == 0x91 && e.Data2 > 0) chordStarts.insert(e.Frame);
    for (size_t i = 0; i < song.Events.size(); ++i) {
      const TMidiEvent& e = song.Events[i];
      int kind = e.Status & 0xF0, ch = e.Status & 0x0F;
      bool on = kind == 0x90 && e.Data2 > 0, off = kind == 0x80 || (kind == 0x90 && e.Data2 == 0);
      if (ch == 1 && on) ++pad[e.Data1];
      if (ch == 1 && off && --pad[e.Data1] == 0) pad.erase(e.Data1);
      if (ch != 0 || !on) continue;
      // Take every harmony note starting at this same frame into account as well.
      std::set<int> pcs;
      for (auto& [k, n] : pad) pcs.insert(k % 12);
      for (size_t j = i + 1; j < song.Events.size() && song.Events[j].Frame == e.Frame; ++j)
        if (song.Events[j].Status == 0x91 && song.Events[j].Data2 > 0) pcs.insert(song.Events[j].Data1 % 12);
      bool tone = pcs.count(e.Data1 % 12) != 0;
      ++notes;
      inChord += tone;
      if (chordStarts.count(e.Frame)) {
        ++downbeats;
        downbeatsInChord += tone;
      }
    }
    ASSERT_GT(downbeats, 10) << entry.path();
    // A melody note struck with a new chord is one of its tones; between the chords passing
    // notes are allowed, but most notes still belong to the harmony.
    EXPECT_EQ(downbeatsInChord, downbeats) << entry.path();
    EXPECT_GE(double(inChord) / notes, 0.5) << entry.path();
  }
}

}  // namespace
}  // namespace kq
