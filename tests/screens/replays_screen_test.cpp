#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "config/replay_file.h"
#include "config/replay_store.h"
#include "core/context.h"
#include "engine/i18n.h"
#include "game/rules.h"
#include "screens/option_screens.h"
#include "screens/screens.h"
#include "support/doubles.h"

namespace kq {
namespace {

namespace fs = std::filesystem;

// The replays screen over a folder of its own, reached from the title as a player does; the
// program's playback is stood in for by a hook that notes the file.
struct ReplaysScreenTest : ::testing::Test {
  GameContext g;
  test::MemoryPlatform platform;
  std::string dir;
  std::vector<std::string> played;
  uint32_t now = 5000;

  void SetUp() override {
    char templ[] = "/tmp/kqreplaysXXXXXX";
    dir = std::string(::mkdtemp(templ)) + "/";
    InstallPlayScreen(g.Screens);
    InstallFrontEndScreens(g.Screens);
    ApplyKeyAssign(g.DXInput1, g.DXInput2, g.Config);
    g.Platform = &platform;
    MeasureOptionFont(g, std::make_unique<test::BoxTextRenderer>(),
                      std::make_unique<test::BoxTextRenderer>(14, 28));
    g.ReplayDir = dir;
    g.RecordSounds = true;
    g.PlayReplayFile = [this](GameContext&, const std::string& path, std::string&) {
      played.push_back(path);
      return true;
    };
  }
  void TearDown() override { fs::remove_all(dir); }

  void Write(const std::string& name, int64_t date, int mode, std::array<uint8_t, 2> sides = {0, 0}) {
    TReplayHeader h;
    h.Mode = uint8_t(mode);
    h.Cols = mode == 2 ? 8 : 7;
    h.Tuning = RuleTuning(TGameConfig{});
    h.Date = date;
    h.Sides = sides;
    h.Score = {4321, 0};
    h.DurationMs = 83000;
    std::ofstream(dir + name, std::ios::binary) << FormatReplay(h, 0, "");
  }
  void Tick(std::initializer_list<int> p1 = {}, std::initializer_list<int> p2 = {}) {
    for (int s : p1) g.DXInput1.States.set(size_t(s));
    for (int s : p2) g.DXInput2.States.set(size_t(s));
    now += 16;
    FrameTick(g, now, 16);
  }
  const TKeyAssign& K() const { return g.Config.KeyAssign1P; }
  TReplaysScreen& R() { return *g.Screens.Get<TReplaysScreen>(scReplays); }
  // From the title: down to RANKING, right to REPLAYS, confirm.
  void OpenFromTitle() {
    g.EnterState(scTitle);
    for (int i = 0; i < 3; ++i) Tick({kStateDown});
    Tick({kStateRight});
    Tick({kStateConfirm});
  }
};

TEST_F(ReplaysScreenTest, ReachedFromTheRankingItemAndLeftWithEsc) {
  g.EnterState(scTitle);
  for (int i = 0; i < 3; ++i) Tick({kStateDown});
  Tick({K().J01});  // RANKING is the first choice: the item does what it always did
  EXPECT_EQ(g.ScreenState, scRanking);
  g.EnterState(scTitle);
  OpenFromTitle();
  ASSERT_EQ(g.ScreenState, scReplays);
  EXPECT_STREQ(g.Screens.Name(g.ScreenState), "replays");
  Tick({kStateCancel});
  EXPECT_EQ(g.ScreenState, scTitle);
}

TEST_F(ReplaysScreenTest, PlaysKeepsAndDeletesAfterAsking) {
  Write("20261201-100000-VS.kqr", 1764583200, 2, {0, 3});
  Write("20261202-100000-1P.kqr", 1764669600, 1);
  std::ofstream(dir + "20261203-100000-1P.kqr") << "damaged";
  std::ofstream(dir + "notes.txt") << "mine";
  OpenFromTitle();
  Tick();  // the first frame of the list
  ASSERT_EQ(R().Entries.size(), 3u);
  EXPECT_EQ(R().Entries[0].File, "20261203-100000-1P.kqr");  // newest first
  EXPECT_FALSE(R().Entries[0].Valid);                        // read for the drawn rows
  EXPECT_EQ(R().Entries[0].Problem, "not a replay file");

  // A damaged file does not play; it says why.
  Tick({kStateConfirm});
  EXPECT_TRUE(played.empty());
  EXPECT_EQ(R().Notice, "20261203-100000-1P.kqr cannot be played: not a replay file");
  // Delete asks first; Esc answers no.
  Tick({K().J03});
  EXPECT_TRUE(R().Asking);
  Tick({kStateCancel});
  EXPECT_FALSE(R().Asking);
  EXPECT_EQ(g.ScreenState, scReplays) << "Esc answered the question only";
  EXPECT_TRUE(fs::exists(dir + "20261203-100000-1P.kqr"));
  Tick({}, {g.Config.KeyAssign2P.J03});  // either player
  Tick({kStateConfirm});
  EXPECT_FALSE(fs::exists(dir + "20261203-100000-1P.kqr"));
  ASSERT_EQ(R().Entries.size(), 2u);
  EXPECT_TRUE(fs::exists(dir + "notes.txt"));

  // Keep the versus game at the bottom, and play it.
  Tick({kStateDown});
  Tick({kStateDown});  // stays on the last row
  EXPECT_EQ(R().Cursor, 1);
  Tick({K().J02});
  EXPECT_TRUE(fs::exists(dir + "20261201-100000-VS-keep.kqr"));
  EXPECT_TRUE(R().Entries[1].Kept);
  Tick({K().J01});
  ASSERT_EQ(played.size(), 1u);
  EXPECT_EQ(played[0], dir + "20261201-100000-VS-keep.kqr");
}

// In Japanese every line of the list, its question and its notices comes from the catalogue;
// file names and key names stay as they are.
TEST_F(ReplaysScreenTest, ListQuestionAndNoticesInJapanese) {
  ASSERT_EQ(SetLanguage(TLanguage::Japanese, {std::string(KQ_BIN_DIR) + "/locale"}), TLanguage::Japanese);
  std::vector<std::string> drawn;
  MeasureOptionFont(g, std::make_unique<test::BoxTextRenderer>(7, 14, &drawn),
                    std::make_unique<test::BoxTextRenderer>(14, 28, &drawn));
  Write("20261201-100000-VS.kqr", 1764583200, 2, {0, 3});
  std::ofstream(dir + "20261203-100000-1P.kqr") << "damaged";
  OpenFromTitle();
  Tick();
  Tick({kStateDown});
  Tick({K().J03});  // delete? asks
  Tick();
  Tick({kStateCancel});
  const std::set<std::string> texts(drawn.begin(), drawn.end());
  SetLanguage(TLanguage::English, {});
  for (const char* want :
       {"リプレイ", "日時", "種別", "プレイヤー", "結果", "レベル", "時間", "人間 vs CPU 3", "勝者なし",
        "RETURN/Z: 再生   X: 保護   C: 削除   ←→: ページ   ESC: 戻る",
        "20261201-100000-VS.kqr を削除しますか?   RETURN: はい   ESC: いいえ",
        "20261203-100000-1P.kqr: リプレイファイルではありません"})
    EXPECT_TRUE(texts.count(want)) << want;
  for (const std::string& t : texts)
    for (const char* english : {"REPLAYS", "DATE", "HUMAN", "WINNER", "PLAY", "YES"})
      EXPECT_EQ(t.find(english), std::string::npos) << t;
  EXPECT_EQ(R().Notice, "削除しませんでした");
}

// The title names a recording that could not be played in the list face, which has the
// player's language (the picture fonts have Latin letters only), cut to the screen's width.
TEST_F(ReplaysScreenTest, TheTitleNoticeIsDrawnInTheListFace) {
  std::vector<std::string> drawn;
  MeasureOptionFont(g, std::make_unique<test::BoxTextRenderer>(7, 14, &drawn),
                    std::make_unique<test::BoxTextRenderer>(14, 28, &drawn));
  g.EnterState(scTitle);
  g.TitleNotice = "x.kqr: " + std::string(60, 'a') + "リプレイファイルではありません";
  Tick();
  int shown = 0;
  for (const std::string& t : drawn)
    if (t.rfind("x.kqr: aaa", 0) == 0) {
      ++shown;
      EXPECT_LE(test::BoxTextRenderer().Measure(t).W, 632) << t;
      EXPECT_EQ(t, "x.kqr: " + std::string(60, 'a') + "リプレイファイルでは..") << "cut between characters";
    }
  EXPECT_EQ(shown, 1);
}

TEST_F(ReplaysScreenTest, AThousandRecordingsReadOnlyTheHeadersShown) {
  for (int i = 0; i < 1000; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "2026%02d%02d-%02d%02d%02d-1P.kqr", 1 + i / 500, 1 + i % 28, i % 24,
                  i % 60, 0);
    std::ofstream(dir + name) << "x";
  }
  OpenFromTitle();
  ASSERT_EQ(R().Entries.size(), 1000u);
  Tick();
  auto read = [&] {
    int n = 0;
    for (auto& e : R().Entries) n += e.HeaderRead;
    return n;
  };
  EXPECT_LE(read(), 14);
  for (int i = 0; i < 5; ++i) Tick({kStateRight});  // five pages on
  EXPECT_LE(read(), 6 * 14);
  EXPECT_GE(R().Cursor, 5 * 14);
  EXPECT_GE(R().Cursor, R().Top);
  EXPECT_LT(R().Cursor, R().Top + 14);
}

TEST_F(ReplaysScreenTest, AnEmptyOrMissingFolderIsAnEmptyList) {
  g.ReplayDir = dir + "never/";
  OpenFromTitle();
  ASSERT_EQ(g.ScreenState, scReplays);
  EXPECT_TRUE(R().Entries.empty());
  Tick({kStateConfirm});
  Tick({K().J02});
  Tick({K().J03});
  EXPECT_FALSE(R().Asking);
  EXPECT_TRUE(played.empty());
}

}  // namespace
}  // namespace kq
