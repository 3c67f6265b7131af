#include "config/replay_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>

#include "config/file_io.h"
#include "config/replay_store.h"
#include "config/temp_dir.h"
#include "engine/random.h"

namespace kq {
namespace {

TReplayHeader SampleHeader() {
  TReplayHeader h;
  h.Mode = 2;
  h.Cols = 8;
  h.Seed = 0x1234567890ABCDEFULL;
  h.StartTime = 0xFFFFF000u;  // the clock wraps during the game
  h.AdvancedMode2P = true;
  h.DisableGameOver = true;
  TGameConfig c;
  c.PowerIncPerBlock = 0.37;
  c.ShotSpeed = 500;
  h.Tuning = RuleTuning(c);
  h.LevelTableHash = LevelTableHash({{1, 2, 3}, {4, 5, 6}});
  h.Date = 1765247470;
  h.HasStartField = {true, false};
  h.StartField[0] = {"........", "0123abch"};
  h.Score = {12345, 678};
  h.MaxCombo = {33, 4};
  h.Level = {7, 3};
  h.DurationMs = 98765;
  return h;
}

// Move counts as a window delivers them (vsync 16/17, stalls, 1 ms idle ticks), control
// changes at random moments, clock steps that skip undrawn ticks.
std::vector<TReplayTick> MixedTicks(int n, uint64_t seed) {
  TRandom r(seed);
  std::vector<TReplayTick> out;
  uint32_t controls = 0;
  for (int i = 0; i < n; ++i) {
    TReplayTick t;
    const int phase = (i / 500) % 4;
    t.Move = phase == 0   ? 16 + uint32_t(i % 3 != 0)
             : phase == 1 ? 1 + uint32_t(r.Random(3))
             : phase == 2 ? 7
                          : 16;
    if (r.Random(200) == 0) t.Move = uint32_t(r.Random(5000));  // a stall
    t.Step = t.Move;
    if (r.Random(300) == 0) t.Step = t.Move + uint32_t(r.Random(100));
    if (r.Random(12) == 0) controls ^= 1u << r.Random(18);
    t.Controls = controls;
    out.push_back(t);
  }
  return out;
}

std::string Encode(const TReplayHeader& h, const std::vector<TReplayTick>& ticks) {
  TReplayEncoder e;
  for (const auto& t : ticks) e.Add(t);
  EXPECT_EQ(e.Ticks(), ticks.size());
  return FormatReplay(h, e.Ticks(), e.Stream());
}

TEST(ReplayFile, HeaderAndTicksComeBackExactly) {
  for (uint64_t seed : {1u, 2u, 3u}) {
    const auto ticks = MixedTicks(5000, seed);
    const TReplayHeader h = SampleHeader();
    TReplayFile f;
    std::string error;
    ASSERT_TRUE(ParseReplay(Encode(h, ticks), f, error)) << error;
    EXPECT_EQ(f.Ticks, ticks.size());
    EXPECT_EQ(f.Header.Seed, h.Seed);
    EXPECT_EQ(f.Header.StartTime, h.StartTime);
    EXPECT_EQ(f.Header.Mode, 2);
    EXPECT_TRUE(f.Header.AdvancedMode2P);
    EXPECT_FALSE(f.Header.AdvancedMode1P);
    EXPECT_TRUE(f.Header.DisableGameOver);
    EXPECT_EQ(f.Header.Tuning, h.Tuning);
    EXPECT_EQ(f.Header.LevelTableHash, h.LevelTableHash);
    EXPECT_EQ(f.Header.StartField, h.StartField);
    EXPECT_EQ(f.Header.HasStartField, h.HasStartField);
    EXPECT_EQ(f.Header.Score, h.Score);
    EXPECT_EQ(f.Header.Level, h.Level);
    EXPECT_EQ(f.Header.GameVersion, kGameVersion);
    TReplayCursor c(f.Stream);
    for (size_t i = 0; i < ticks.size(); ++i) {
      TReplayTick t;
      ASSERT_TRUE(c.Next(t)) << i;
      ASSERT_EQ(t, ticks[i]) << "tick " << i;
    }
    EXPECT_TRUE(c.AtEnd());
  }
}

TEST(ReplayFile, EdgeTickSequences) {
  // Runs that end right at group and run boundaries, zero and largest move counts.
  std::vector<std::vector<TReplayTick>> cases = {
      {},
      {{0, 0, 0}},
      {{0x7FFFFFFF, 0x7FFFFFFF, kReplayControlMask}, {0x7FFFFFFE, 0x7FFFFFFE, kReplayControlMask}},
  };
  for (int n : {1, 3, 4, 5, 46, 47, 48, 95, 200}) {
    std::vector<TReplayTick> run(size_t(n), TReplayTick{16, 16, 5});
    run.push_back({17, 17, 5});
    run.push_back({16, 16, 5});
    run.push_back({16, 16, 5});
    cases.push_back(run);
  }
  for (const auto& ticks : cases) {
    TReplayFile f;
    std::string error;
    ASSERT_TRUE(ParseReplay(Encode(SampleHeader(), ticks), f, error)) << error;
    TReplayCursor c(f.Stream);
    for (const auto& want : ticks) {
      TReplayTick t;
      ASSERT_TRUE(c.Next(t));
      EXPECT_EQ(t, want);
    }
    EXPECT_TRUE(c.AtEnd());
  }
}

TEST(ReplayFile, AnHourAtSixtyFramesStaysSmall) {
  TRandom r(9);
  TReplayEncoder e;
  uint32_t controls = 0;
  for (int i = 0; i < 60 * 60 * 60; ++i) {
    if (r.Random(20) == 0) controls ^= 1u << r.Random(16);  // a press or release every third of a second
    const uint32_t move = 16 + uint32_t(i % 3 != 0);
    e.Add({move, move, controls});
  }
  EXPECT_LT(e.Stream().size(), 300u * 1024);
}

TEST(ReplayFile, EveryShortenedFileIsTruncated) {
  const std::string bytes = Encode(SampleHeader(), MixedTicks(300, 4));
  for (size_t n = 0; n < bytes.size(); ++n) {
    TReplayFile f;
    std::string error;
    ASSERT_FALSE(ParseReplay(std::string_view(bytes).substr(0, n), f, error)) << n;
    EXPECT_EQ(error, "the file is truncated") << n;
  }
}

TEST(ReplayFile, DamageIsCaught) {
  const std::string good = Encode(SampleHeader(), MixedTicks(300, 5));
  TReplayFile f;
  std::string error;
  for (size_t at = 0; at < good.size(); at += 7) {
    std::string bad = good;
    bad[at] = char(bad[at] ^ 0x5A);
    EXPECT_FALSE(ParseReplay(bad, f, error)) << at;
    EXPECT_FALSE(error.empty());
  }
  EXPECT_FALSE(ParseReplay(good + "x", f, error));
  EXPECT_EQ(error, "the file is corrupt (data after the end)");
  EXPECT_FALSE(ParseReplay("PK\x03\x04 not ours", f, error));
  EXPECT_EQ(error, "not a replay file");
}

TEST(ReplayFile, OtherVersionsAreNamed) {
  TReplayHeader h = SampleHeader();
  h.FormatVersion = 7;
  TReplayFile f;
  std::string error;
  EXPECT_FALSE(ParseReplay(Encode(h, {}), f, error));
  EXPECT_EQ(error, "replay format version 7 (this game reads version 1)");
  h = SampleHeader();
  h.RulesVersion = kRulesVersion + 1;
  h.GameVersion = "1.0.0\x01\n\"\xff";  // the same game version: the rules versions tell them apart
  EXPECT_FALSE(ParseReplay(Encode(h, {}), f, error));
  EXPECT_EQ(error, "recorded with rules version " + std::to_string(kRulesVersion + 1) +
                       " (game version \"1.0.0\\x01\\x0a\\x22\\xff\"); this game (version " + kGameVersion +
                       ") plays rules version " + std::to_string(kRulesVersion));
  EXPECT_EQ(QuotedText("a b\\"), "\"a b\\x5c\"");
  // A newer game version with the same rules plays.
  h = SampleHeader();
  h.GameVersion = "1.1.9";
  EXPECT_TRUE(ParseReplay(Encode(h, {}), f, error)) << error;
}

TEST(ReplayFile, SettingsOutsideTheirRangesAreRefused) {
  TReplayFile f;
  std::string error;
  TGameConfig c;
  for (auto change : std::vector<std::function<void(TReplayHeader&)>>{
           [](TReplayHeader& h) { h.Tuning[6] = 0; },   // TotalBlockType 0 would divide the colours by 0
           [](TReplayHeader& h) { h.Tuning[1] = -5; },  // BlockFallSpeed
           [](TReplayHeader& h) { h.Tuning.pop_back(); },
           [](TReplayHeader& h) { h.Tuning[17] = 0x7FF8000000000000LL; },  // NaN power increase
           [](TReplayHeader& h) { h.Mode = 3; },
           [](TReplayHeader& h) { h.Cols = 13; },
           [](TReplayHeader& h) { h.StartField[0] = {"01x"}; },
       }) {
    TReplayHeader h = SampleHeader();
    change(h);
    EXPECT_FALSE(ParseReplay(Encode(h, {}), f, error));
    EXPECT_EQ(error, "the file is corrupt (bad header)");
  }
  // What RuleTuning takes, ApplyRuleTuning gives back.
  c.HazardBlockNum[5] = 42;
  c.RainbowIncPerBlock = 2.25;
  c.EndingInterval = 1000;
  TGameConfig back;
  ASSERT_TRUE(ApplyRuleTuning(RuleTuning(c), back));
  EXPECT_EQ(back, c);
}

TEST(ReplayFile, LevelTableHashSeesEveryValue) {
  const TLevelTable a = {{1, 2, 3}, {4, 5, 6}};
  EXPECT_EQ(LevelTableHash(a), LevelTableHash(TLevelTable(a)));
  for (int i = 0; i < 6; ++i) {
    TLevelTable b = a;
    int32_t* v[] = {&b[0].HardBlockRatio, &b[0].NeedBlock, &b[0].LineUpInterval,
                    &b[1].HardBlockRatio, &b[1].NeedBlock, &b[1].LineUpInterval};
    ++*v[i];
    EXPECT_NE(LevelTableHash(a), LevelTableHash(b)) << i;
  }
  EXPECT_NE(LevelTableHash(a), LevelTableHash({{1, 2, 3}}));
}

// --- the folder ---

void WriteReplay(const std::string& path, const TReplayHeader& h) {
  std::ofstream(path, std::ios::binary) << FormatReplay(h, 0, "");
}

TEST(ReplayStore, KeepsTheNewestAndTheRankedOnes) {
  test::TTempDir dir;
  THiScoreTable ranking{};
  ranking[0] = {90000, 12, 9};
  ranking[3] = {500, 2, 1};
  TReplayHeader h = SampleHeader();
  h.Mode = 1;
  h.Cols = 7;
  // 60 games a minute apart; the oldest two were ranked, one still stands in the table.
  std::string oldest;
  for (int i = 0; i < 60; ++i) {
    h.Date = 1765000000 + 60 * i;
    h.Ranked = i < 2 || i == 30;
    h.Score[0] = i == 0 ? 90000 : i == 1 ? 80000 : i == 30 ? 500 : 10;
    h.MaxCombo[0] = i == 0 ? 12 : 2;
    h.Level[0] = i == 0 ? 9 : 1;
    const std::string name = ReplayFileName(dir.Dir(), h.Date, 1);
    if (i == 0) oldest = name;
    WriteReplay(dir.Path(name), h);
  }
  std::ofstream(dir.Path("my best.kqr")) << "kept";
  PruneReplays(dir.Dir(), ranking);
  const auto left = ListReplays(dir.Dir());
  ASSERT_EQ(left.size(), 51u);
  EXPECT_EQ(left.back(), oldest);  // the 90000 game
  EXPECT_TRUE(std::filesystem::exists(dir.Path("my best.kqr")));
  // Once its score left the table, the old game goes too.
  ranking[0] = {};
  PruneReplays(dir.Dir(), ranking);
  EXPECT_EQ(ListReplays(dir.Dir()).size(), 50u);
}

TEST(ReplayStore, NamesByDateTimeAndModeNewestFirst) {
  test::TTempDir dir;
  const std::string a = ReplayFileName(dir.Dir(), 1765247470, 2);
  EXPECT_EQ(a.size(), std::string("20251209-023110-VS.kqr").size());
  EXPECT_NE(a.find("-VS.kqr"), std::string::npos);
  std::ofstream(dir.Path(a)) << "x";
  const std::string b = ReplayFileName(dir.Dir(), 1765247470, 2);
  EXPECT_EQ(b, a.substr(0, a.size() - 4) + "-2.kqr");
  std::ofstream(dir.Path(b)) << "x";
  const std::string c = ReplayFileName(dir.Dir(), 1765247470 - 3600, 1);
  std::ofstream(dir.Path(c)) << "x";
  EXPECT_EQ(ListReplays(dir.Dir()), (std::vector<std::string>{b, a, c}));
}

TEST(ReplayStore, SaveWritesWholeFilesOnly) {
  test::TTempDir dir;
  const std::string sub = dir.Path("deep/replays");
  std::string error;
  const TReplayHeader h = SampleHeader();
  const std::string bytes = FormatReplay(h, 0, "");
  const std::string path = SaveReplay(sub, h, bytes, THiScoreTable{}, error);
  ASSERT_FALSE(path.empty()) << error;
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), bytes);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(sub), {}), 1);  // no temporary left
  // A folder that cannot be made is an error, not a crash.
  std::ofstream(dir.Path("file")) << "x";
  EXPECT_TRUE(SaveReplay(dir.Path("file/replays"), h, bytes, THiScoreTable{}, error).empty());
  EXPECT_FALSE(error.empty());
}

TEST(ReplayFile, SidesSayWhoPlayed) {
  TReplayHeader h = SampleHeader();
  h.Sides = {3, kSideHuman};
  h.Winner = 2;
  TReplayFile f;
  std::string error;
  ASSERT_TRUE(ParseReplay(FormatReplay(h, 0, ""), f, error)) << error;
  EXPECT_EQ(f.Header.Sides, (std::array<uint8_t, 2>{3, kSideHuman}));
  EXPECT_EQ(f.Header.Winner, 2);
  h.Sides = {kSideHuman, kSideNetwork};
  ASSERT_TRUE(ParseReplay(FormatReplay(h, 0, ""), f, error)) << error;
  EXPECT_EQ(f.Header.Sides, (std::array<uint8_t, 2>{kSideHuman, kSideNetwork}));

  // A one-player game keeps the header earlier versions wrote; a versus game written without
  // sides is shown as unknown.
  TReplayHeader one = SampleHeader();
  one.Mode = 1;
  one.Cols = 7;
  const std::string oneBytes = FormatReplay(one, 0, "");
  one.Sides = {kSideHuman, kSideHuman};
  EXPECT_EQ(FormatReplay(one, 0, ""), oneBytes);
  ASSERT_TRUE(ParseReplay(oneBytes, f, error)) << error;
  EXPECT_EQ(f.Header.Sides, (std::array<uint8_t, 2>{kSideHuman, kSideHuman}));
  h.Sides = {kSideHuman, kSideHuman};
  std::string vs = FormatReplay(h, 0, "");
  // Cut the side and winner bytes out of the header (its size field, and the checksum, follow).
  const uint32_t headSize = uint8_t(vs[6]) | uint32_t(uint8_t(vs[7])) << 8;
  std::string head = vs.substr(10, headSize - 3);
  std::string old = vs.substr(0, 6);
  for (int i = 0; i < 4; ++i) old += char(uint8_t(uint32_t(head.size()) >> (8 * i)));
  old += head + vs.substr(10 + headSize, vs.size() - 10 - headSize - 8);
  TReplayHeader peeked;
  ASSERT_TRUE(CheckReplayHeader(old, peeked, error)) << error;
  EXPECT_EQ(peeked.Sides, (std::array<uint8_t, 2>{kSideUnknown, kSideUnknown}));

  // A side beyond the known kinds is damage.
  std::string bad = vs;
  bad[10 + headSize - 2] = 9;
  EXPECT_FALSE(CheckReplayHeader(bad, peeked, error));
  EXPECT_NE(error.find("corrupt"), std::string::npos);
}

TEST(ReplayStore, IndexListsEveryKqrFileNewestFirstAndSaysWhatIsWrong) {
  test::TTempDir dir;
  TReplayHeader h = SampleHeader();
  h.Sides = {kSideHuman, 2};
  const std::string older = ReplayFileName(dir.Dir(), 1765000000, 2);
  WriteReplay(dir.Path(older), h);
  h.Date = 1765000100;
  const std::string newer = ReplayFileName(dir.Dir(), h.Date, 2);
  WriteReplay(dir.Path(newer), h);
  const std::string damaged = ReplayFileName(dir.Dir(), 1765000050, 1);
  std::ofstream(dir.Path(damaged), std::ios::binary) << FormatReplay(h, 0, "").substr(0, 20);
  std::ofstream(dir.Path("from a friend.kqr")) << "hello";
  std::ofstream(dir.Path("notes.txt")) << "not listed";
  std::filesystem::create_directory(dir.Path("folder.kqr"));
  // The odd names sort by their change time: long ago.
  std::filesystem::last_write_time(
      dir.Path("from a friend.kqr"),
      std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 20));

  auto list = IndexReplays(dir.Dir());
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0].File, newer);
  EXPECT_EQ(list[1].File, damaged);
  EXPECT_EQ(list[2].File, older);
  EXPECT_EQ(list[3].File, "from a friend.kqr");
  for (auto& e : list) EXPECT_FALSE(e.HeaderRead);  // names only until asked
  for (auto& e : list) ReadEntryHeader(dir.Dir(), e);
  EXPECT_TRUE(list[0].Valid);
  EXPECT_EQ(list[0].Header.Sides[1], 2);
  EXPECT_EQ(list[0].Header.Score, h.Score);
  EXPECT_FALSE(list[1].Valid);
  EXPECT_EQ(list[1].Problem, "the file is truncated");
  EXPECT_FALSE(list[3].Valid);
  EXPECT_EQ(list[3].Problem, "not a replay file");

  // An unreadable file is listed with its reason too (root reads everything: skip that part).
  if (::geteuid() != 0) {
    ::chmod(dir.Path(older).c_str(), 0);
    TReplayEntry e = list[2];
    e.HeaderRead = false;
    ReadEntryHeader(dir.Dir(), e);
    EXPECT_EQ(e.Problem, "cannot read the file");
  }
}

TEST(ReplayStore, AKeptRecordingIsNeverPrunedAndKeepsItsPlaceInTheList) {
  test::TTempDir dir;
  TReplayHeader h = SampleHeader();
  std::vector<std::string> names;
  for (int i = 0; i < 5; ++i) {
    h.Date = 1765000000 + 60 * i;
    names.push_back(ReplayFileName(dir.Dir(), h.Date, 2));
    WriteReplay(dir.Path(names.back()), h);
  }
  auto list = IndexReplays(dir.Dir());
  TReplayEntry oldest = list.back();
  std::string error;
  ASSERT_TRUE(SetReplayKept(dir.Dir(), oldest, true, error)) << error;
  EXPECT_TRUE(oldest.Kept);
  EXPECT_NE(oldest.File, names[0]);
  EXPECT_FALSE(std::filesystem::exists(dir.Path(names[0])));
  // A new recording of the same second does not take the kept one's name.
  EXPECT_NE(ReplayFileName(dir.Dir(), 1765000000, 2), names[0]);

  PruneReplays(dir.Dir(), THiScoreTable{}, 2);
  list = IndexReplays(dir.Dir());
  ASSERT_EQ(list.size(), 3u);  // the two newest and the kept one
  EXPECT_EQ(list[0].File, names[4]);
  EXPECT_EQ(list[2].File, oldest.File);
  EXPECT_TRUE(list[2].Kept);
  ReadEntryHeader(dir.Dir(), list[2]);
  EXPECT_TRUE(list[2].Valid);

  // Released, it goes back to its name and is pruned like any other.
  ASSERT_TRUE(SetReplayKept(dir.Dir(), list[2], false, error)) << error;
  EXPECT_EQ(list[2].File, names[0]);
  PruneReplays(dir.Dir(), THiScoreTable{}, 2);
  EXPECT_EQ(IndexReplays(dir.Dir()).size(), 2u);
  // A name of another kind cannot be kept.
  TReplayEntry foreign;
  foreign.File = "mine.kqr";
  EXPECT_FALSE(SetReplayKept(dir.Dir(), foreign, true, error));
}

TEST(ReplayStore, DeleteTouchesOnlyReplayFilesOfTheFolder) {
  test::TTempDir dir;
  std::filesystem::create_directory(dir.Path("replays"));
  const std::string rd = dir.Path("replays");
  std::ofstream(dir.Path("replays/bad.kqr")) << "junk";
  std::ofstream(dir.Path("replays/notes.txt")) << "mine";
  std::ofstream(dir.Path("outside.kqr")) << "outside";
  std::filesystem::create_directory(dir.Path("replays/box.kqr"));
  std::filesystem::create_symlink(dir.Path("outside.kqr"), dir.Path("replays/link.kqr"));
  std::string error;
  EXPECT_TRUE(DeleteReplay(rd, "bad.kqr", error)) << error;
  EXPECT_FALSE(std::filesystem::exists(dir.Path("replays/bad.kqr")));
  EXPECT_FALSE(DeleteReplay(rd, "notes.txt", error));
  EXPECT_FALSE(DeleteReplay(rd, "../outside.kqr", error));
  EXPECT_FALSE(DeleteReplay(rd, "box.kqr", error));
  EXPECT_FALSE(DeleteReplay(rd, "gone.kqr", error));
  EXPECT_EQ(error, "gone.kqr: no such file");
  EXPECT_TRUE(std::filesystem::exists(dir.Path("replays/notes.txt")));
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path("replays/box.kqr")));
  // The link goes, what it points at stays.
  EXPECT_TRUE(DeleteReplay(rd, "link.kqr", error)) << error;
  EXPECT_TRUE(std::filesystem::exists(dir.Path("outside.kqr")));
}

TEST(ReplayStore, ARecordingTheFolderCannotTakeGoesToTheFallbackAndSaysWhere) {
  test::TTempDir dir;
  const TReplayHeader h = SampleHeader();
  const std::string bytes = FormatReplay(h, 0, "");
  std::ofstream(dir.Path("replays")) << "a file where the folder should be";
  std::string error;
  const std::string path =
      SaveReplay(std::vector<std::string>{dir.Path("replays/"), dir.Path("home/replays/")}, h, bytes,
                 THiScoreTable{}, error);
  ASSERT_EQ(path.rfind(dir.Path("home/replays/"), 0), 0u) << error;
  EXPECT_EQ(error, "Cannot write " + dir.Path("replays/") + path.substr(path.rfind('/') + 1) +
                       ": Not a directory\nSaved to " + path + " instead");
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), bytes);
  // The first folder that works takes it without a word.
  EXPECT_EQ(SaveReplay(std::vector<std::string>{dir.Path("home/replays/")}, h, bytes, THiScoreTable{}, error)
                .rfind(dir.Path("home/replays/"), 0),
            0u);
  EXPECT_EQ(error, "");
  EXPECT_TRUE(SaveReplay(std::vector<std::string>{dir.Path("replays/"), dir.Path("replays/x/")}, h, bytes,
                         THiScoreTable{}, error)
                  .empty());
  EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1);
}

TEST(ReplayStore, TemporariesOfAKilledSaveGoOnlyForDeadProcessesAndOurNames) {
  test::TTempDir dir;
  pid_t dead = ::fork();
  if (dead == 0) _exit(0);
  ASSERT_GT(dead, 0);
  ::waitpid(dead, nullptr, 0);
  const std::string rec = "20261209-120000-1P.kqr";
  const std::vector<std::string> gone{TemporaryName(rec, dead, 0),
                                      TemporaryName("20261209-120000-VS-2.kqr", dead, 3)};
  const std::vector<std::string> kept{TemporaryName(rec, ::getppid(), 0),  // a live save
                                      TemporaryName("notes.kqr", dead, 0), TemporaryName("kq001.HI", dead, 0),
                                      "." + rec + ".12x.0.tmp", rec};
  for (const auto& n : gone) std::ofstream(dir.Path(n)) << "half";
  for (const auto& n : kept) std::ofstream(dir.Path(n)) << "keep";
  EXPECT_EQ(RemoveStaleReplayTemporaries(dir.Dir()), 2);
  for (const auto& n : gone) EXPECT_FALSE(std::filesystem::exists(dir.Path(n))) << n;
  for (const auto& n : kept) EXPECT_TRUE(std::filesystem::exists(dir.Path(n))) << n;
  EXPECT_EQ(RemoveStaleReplayTemporaries(dir.Path("missing")), 0);
}

}  // namespace
}  // namespace kq
