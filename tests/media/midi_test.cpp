#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "media/midi_file.h"
#include "media/midi_sequencer.h"
#include "media/music_list.h"

namespace kq {
namespace {

std::vector<uint8_t> Note(uint8_t status, uint8_t key, uint8_t vel) {
  return {status, key, vel};
}
std::vector<uint8_t> Tempo(uint32_t us) {
  return {0xFF, 0x51, 3, uint8_t(us >> 16), uint8_t(us >> 8), uint8_t(us)};
}

TEST(MidiFile, TempoChangesTimeTheEventsInFrames) {
  // 480 ticks a quarter; 120 bpm is 22050 frames a quarter, then 240 bpm halves that.
  std::vector<TMidiOut> ev{
      {0, Tempo(500000)},        {0, Note(0x90, 60, 100)},  {480, Tempo(250000)},
      {480, Note(0x80, 60, 0)},  {960, Note(0x91, 62, 90)}, {960, {0xC1, 5}},
      {1440, Note(0x81, 62, 0)},
  };
  TMidiSong song;
  std::string error;
  ASSERT_TRUE(ParseMidiFile(WriteMidiFormat0(480, ev, 1920), 44100, song, &error)) << error;
  ASSERT_EQ(song.Events.size(), 5u);
  EXPECT_EQ(song.Events[0].Frame, 0u);
  EXPECT_EQ(song.Events[1].Frame, 22050u);
  EXPECT_EQ(song.Events[2].Frame, 22050u + 11025u);
  EXPECT_EQ(song.Events[2].Status, 0x91);
  EXPECT_EQ(song.Events[2].Data1, 62);
  EXPECT_EQ(song.Events[3].Status, 0xC1) << "one data byte";
  EXPECT_EQ(song.Events[3].Data1, 5);
  EXPECT_EQ(song.Events[4].Frame, 22050u + 2 * 11025u);
  EXPECT_EQ(song.EndFrame, 22050u + 3 * 11025u) << "the end-of-track event is late";
}

TEST(MidiFile, RunningStatusAndSysex) {
  std::vector<uint8_t> track{0x00, 0x90, 60,   100,         // note on
                             0x10, 62,   100,               // running status
                             0x00, 0xF0, 0x02, 0x7E, 0xF7,  // sysex cancels running status
                             0x10, 0x80, 60,   0,    0x00, 0xFF, 0x2F, 0x00};
  std::vector<uint8_t> file{'M', 'T',  'h',  'd', 0,   0,   0,   6, 0, 0, 0,
                            1,   0x00, 0x60, 'M', 'T', 'r', 'k', 0, 0, 0, uint8_t(track.size())};
  file.insert(file.end(), track.begin(), track.end());
  TMidiSong song;
  ASSERT_TRUE(ParseMidiFile(file, 44100, song));
  ASSERT_EQ(song.Events.size(), 3u);
  EXPECT_EQ(song.Events[1].Status, 0x90);
  EXPECT_EQ(song.Events[1].Data1, 62);
  EXPECT_EQ(song.Events[2].Status, 0x80);

  // Without a status to run on, the track is broken.
  std::vector<uint8_t> bad = file;
  bad[22 + 1] = 60;  // first event's status replaced by a data byte
  EXPECT_FALSE(ParseMidiFile(bad, 44100, song));
}

TEST(MidiFile, OnlyFormatZeroWithOneTrack) {
  std::vector<uint8_t> good = WriteMidiFormat0(96, {{0, Note(0x90, 60, 100)}, {96, Note(0x80, 60, 0)}});
  TMidiSong song;
  EXPECT_TRUE(ParseMidiFile(good, 44100, song));
  std::vector<uint8_t> format1 = good;
  format1[9] = 1;
  std::string error;
  EXPECT_FALSE(ParseMidiFile(format1, 44100, song, &error));
  EXPECT_EQ(error, "only format 0 files are played");
  std::vector<uint8_t> twoTracks = good;
  twoTracks[11] = 2;
  EXPECT_FALSE(ParseMidiFile(twoTracks, 44100, song));
  EXPECT_FALSE(ParseMidiFile(std::vector<uint8_t>(good.begin(), good.begin() + 12), 44100, song));
  std::vector<uint8_t> riff{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D', 0, 0};
  EXPECT_FALSE(ParseMidiFile(riff, 44100, song));
}

TEST(MidiFile, TruncatedTrackPlaysWhatItHas) {
  std::vector<uint8_t> file = WriteMidiFormat0(96, {{0, Note(0x90, 60, 100)}, {96, Note(0x80, 60, 0)}});
  file.resize(file.size() - 5);  // cut inside the note-off
  TMidiSong song;
  ASSERT_TRUE(ParseMidiFile(file, 44100, song));
  EXPECT_EQ(song.Events.size(), 1u);
}

TEST(MidiFile, SmpteDivision) {
  // 25 frames of 40 ticks: one tick is a millisecond.
  std::vector<uint8_t> file = WriteMidiFormat0(0, {{0, Note(0x90, 60, 100)}, {500, Note(0x80, 60, 0)}});
  file[12] = uint8_t(-25);
  file[13] = 40;
  TMidiSong song;
  ASSERT_TRUE(ParseMidiFile(file, 44100, song));
  EXPECT_EQ(song.Events[1].Frame, 22050u);
}

// Records what the sequencer sends, and at which frame of the output.
class TRecordingSink : public IMidiSink {
 public:
  void Send(const TMidiEvent& e) override { Sent.push_back({e.Data1, Rendered}); }
  void Render(int16_t* out, int frames) override {
    for (int i = 0; i < frames * 2; ++i) out[i] = 1;
    Rendered += uint64_t(frames);
  }
  std::vector<std::pair<int, uint64_t>> Sent;
  uint64_t Rendered = 0;
};

TEST(MidiSequencer, EventsGoOutAtTheirFramesAcrossBlocks) {
  TMidiSong song;
  song.Events = {{0, 0x90, 1, 1}, {100, 0x90, 2, 1}, {100, 0x90, 3, 1}, {1500, 0x80, 4, 0}};
  song.EndFrame = 2000;
  TMidiSequencer seq;
  seq.SetSong(&song);
  TRecordingSink sink;
  std::vector<int16_t> buf(2 * 1024, 0);
  EXPECT_FALSE(seq.Fill(buf.data(), 1024, sink));
  EXPECT_EQ(buf.back(), 1) << "the whole block is rendered";
  EXPECT_TRUE(seq.Fill(buf.data(), 1024, sink)) << "the end falls in the second block";
  EXPECT_FALSE(seq.Fill(buf.data(), 1024, sink)) << "reported once";
  std::vector<std::pair<int, uint64_t>> want{{1, 0}, {2, 100}, {3, 100}, {4, 1500}};
  EXPECT_EQ(sink.Sent, want);
  EXPECT_EQ(sink.Rendered, 3u * 1024u);
  seq.Rewind();
  EXPECT_FALSE(seq.AtEnd());
}

TEST(MidiSequencer, EndOnABlockEdgeAndEmptySong) {
  TMidiSong song;
  song.Events = {{0, 0x90, 1, 1}};
  song.EndFrame = 512;
  TMidiSequencer seq;
  seq.SetSong(&song);
  TRecordingSink sink;
  std::vector<int16_t> buf(2 * 512);
  EXPECT_TRUE(seq.Fill(buf.data(), 512, sink));
  TMidiSong empty;
  seq.SetSong(&empty);
  EXPECT_TRUE(seq.Fill(buf.data(), 512, sink)) << "a song without notes still ends";
}

TEST(BgmList, ExistingNumberedSongsInAscendingOrder) {
  auto dir = std::filesystem::temp_directory_path() / ("kq_bgm_" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir / "bgm");
  for (const char* name : {"BGM003.mid", "BGM001.MID", "BGM000.mid", "BGM1000.mid", "BGM999.mid",
                           "BGM002.txt", "BGM_OPENING.mid", "BGMabc.mid"})
    std::ofstream(dir / "bgm" / name) << "x";
  std::filesystem::create_directories(dir / "bgm" / "BGM004.mid");  // a folder, not a file
  std::string app = dir.string() + "/";
  std::vector<std::string> want{app + "bgm/BGM001.MID", app + "bgm/BGM003.mid", app + "bgm/BGM999.mid"};
  EXPECT_EQ(BuildBgmList(app), want);
  std::filesystem::remove_all(dir);
  EXPECT_TRUE(BuildBgmList(app).empty());
}

}  // namespace
}  // namespace kq
