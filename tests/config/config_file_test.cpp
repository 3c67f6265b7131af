#include "config/config_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "config/exit_save.h"
#include "config/file_io.h"
#include "config/hiscore.h"
#include "engine/errors.h"
#include "engine/i18n.h"
#include "temp_dir.h"
#include "unprivileged.h"

namespace kq {
namespace {

using test::ReadBytes;
using test::TTempDir;
using test::WriteBytes;

TGameConfig FromSystem(const std::string& lines) {
  return ReadConfig(TProfile("[System]\n" + lines));
}

TEST(ReadConfig, EmptyFileGivesEveryDefault) {
  TGameConfig c = ReadConfig(TProfile());
  TGameConfig d;
  // Every field: the reader's own fallbacks must agree with the defaults everywhere else.
  EXPECT_TRUE(c == d);
  EXPECT_EQ(c.EraseLowerLimit, d.EraseLowerLimit);
  EXPECT_TRUE(c.UseDirect3D && c.WaitVsync && !c.DisableBgm && !c.DisableVoice && !c.DisableGameOver);
  EXPECT_EQ(c.LineTrimingPeriod, 100000);
  EXPECT_EQ(c.HazardBlockNum, d.HazardBlockNum);
  EXPECT_DOUBLE_EQ(c.RainbowIncPerBlock, 0.5);
  EXPECT_EQ(c.KeyAssign2P.UP, 104);
  EXPECT_EQ(c.KeyAssign2P.J04, 7);
}

TEST(ReadConfig, OutOfRangeFallsBackToTheDefaultNotTheBound) {
  EXPECT_EQ(FromSystem("TotalBlockType=2").TotalBlockType, 6);
  EXPECT_EQ(FromSystem("TotalBlockType=7").TotalBlockType, 6);
  EXPECT_EQ(FromSystem("TotalBlockType=3").TotalBlockType, 3);
  EXPECT_EQ(FromSystem("BlockStartLine=0").BlockStartLine, 0);
  EXPECT_EQ(FromSystem("BlockStartLine=11").BlockStartLine, 5);
  EXPECT_EQ(FromSystem("HardBlockRatio=0").HardBlockRatio, 0);
  EXPECT_EQ(FromSystem("LineTrimingPeriod=1000000").LineTrimingPeriod, 1000000);
  EXPECT_EQ(FromSystem("LineTrimingPeriod=1000001").LineTrimingPeriod, 100000);
  EXPECT_EQ(FromSystem("ShotSpeed=-5").ShotSpeed, 777);
  EXPECT_EQ(FromSystem("EndingExLv=9999").EndingExLv, 9999);
  // No cross-check between keys.
  TGameConfig c = FromSystem("EraseLowerLimit=2\nEraseLowerLimitRainbow=7");
  EXPECT_EQ(c.EraseLowerLimit, 2);
  EXPECT_EQ(c.EraseLowerLimitRainbow, 7);
}

TEST(ReadConfig, HexAndUnparsableIntegers) {
  EXPECT_EQ(FromSystem("LineUpInterval=0x1388").LineUpInterval, 5000);
  EXPECT_EQ(FromSystem("LineUpInterval=5000ms").LineUpInterval, 5000);
  EXPECT_EQ(FromSystem("LineUpInterval=0x").LineUpInterval, 5000);
  EXPECT_EQ(FromSystem("BlockFallSpeed=0x0A").BlockFallSpeed, 10);
  EXPECT_EQ(FromSystem("ChainGaugePeriod=99999999999").ChainGaugePeriod, 6000);
}

TEST(ReadConfig, Reals) {
  EXPECT_DOUBLE_EQ(FromSystem("PowerIncPerBlock=0.005").PowerIncPerBlock, 1.0);
  EXPECT_DOUBLE_EQ(FromSystem("PowerIncPerBlock=abc").PowerIncPerBlock, 1.0);
  EXPECT_DOUBLE_EQ(FromSystem("PowerIncPerBlock=nan").PowerIncPerBlock, 1.0);
  EXPECT_DOUBLE_EQ(FromSystem("PowerIncPerBlock=0.01").PowerIncPerBlock, 0.01);
  EXPECT_DOUBLE_EQ(FromSystem("PowerIncPerBlock=2.5").PowerIncPerBlock, 2.5);
  EXPECT_DOUBLE_EQ(FromSystem("RainbowIncPerBlock=100").RainbowIncPerBlock, 100.0);
  EXPECT_DOUBLE_EQ(FromSystem("RainbowIncPerBlock=100.001").RainbowIncPerBlock, 0.5);
}

TEST(ReadConfig, BooleansTakeAnyNonZeroInteger) {
  EXPECT_FALSE(FromSystem("UseDirect3D=0").UseDirect3D);
  EXPECT_TRUE(FromSystem("DisableBgm=-3").DisableBgm);
  EXPECT_TRUE(FromSystem("DisableVoice=0x10").DisableVoice);
  EXPECT_FALSE(FromSystem("DisableVoice=yes").DisableVoice);  // unparsable: the default
  EXPECT_TRUE(FromSystem("WaitVsync=true").WaitVsync);
}

TEST(ReadConfig, LowerCaseSectionAndKey) {
  EXPECT_FALSE(ReadConfig(TProfile("[system]\nusedirect3d=0\n")).UseDirect3D);
}

TEST(ReadConfig, OnlyHazardNumbersThreeToSevenAreRead) {
  TGameConfig c = FromSystem(
      "HazardBlockNum1=5\nHazardBlockNum2=5\nHazardBlockNum3=1\nHazardBlockNum7=99\nHazardBlockNum8=5\n"
      "HazardBlockNum5=100\n");
  std::array<int, 8> expected{0, 0, 0, 1, 10, 10, 10, 99};
  EXPECT_EQ(c.HazardBlockNum, expected);
}

TEST(ReadConfig, PlayerSectionsAndOneByteButtonStates) {
  TGameConfig c =
      ReadConfig(TProfile("[Status2P]\nAdvancedMode=1\nJoyName=  USB Gamepad  \n"
                          "[KeyAssign1P]\nJ01=260\nJ02=-1\nJ03=0x123\nUP=999999\nK04=abc\n"
                          "[KeyAssign2P]\nK01=66\n"));
  EXPECT_FALSE(c.AdvancedMode1P);
  EXPECT_TRUE(c.AdvancedMode2P);
  EXPECT_EQ(c.JoyName1P, "");
  EXPECT_EQ(c.JoyName2P, "USB Gamepad");
  EXPECT_EQ(c.KeyAssign1P.J01, 4);
  EXPECT_EQ(c.KeyAssign1P.J02, 255);
  EXPECT_EQ(c.KeyAssign1P.J03, 0x23);
  EXPECT_EQ(c.KeyAssign1P.UP, 999999);  // key codes are taken as read
  EXPECT_EQ(c.KeyAssign1P.K04, 65);
  EXPECT_EQ(c.KeyAssign2P.K01, 66);
  EXPECT_EQ(c.KeyAssign2P.K02, 75);
}

TEST(ReadConfig, CpuLevelsOfBothPlayersWithOutOfRangeAsHuman) {
  TGameConfig c = ReadConfig(TProfile("[Status1P]\nCpu=5\n[Status2P]\nCpu=3\n"));
  EXPECT_EQ(c.Cpu1P, 5);
  EXPECT_EQ(c.Cpu2P, 3);
  EXPECT_EQ(ReadConfig(TProfile()).Cpu2P, 0);
  for (const char* bad : {"6", "-1", "CPU3", "99999999999"})
    EXPECT_EQ(ReadConfig(TProfile(std::string("[Status2P]\nCpu=") + bad + "\n")).Cpu2P, 0) << bad;
}

TEST(ReadConfig, DisplayVolumesAndLanguageWithBadValuesAsDefaults) {
  TGameConfig c = ReadConfig(
      TProfile("[System]\nFullScreen=1\nMusicVolume=0\nSoundVolume=7\nVoiceVolume=10\nLanguage=JA\n"));
  EXPECT_TRUE(c.FullScreen);
  EXPECT_EQ(c.MusicVolume, 0);
  EXPECT_EQ(c.SoundVolume, 7);
  EXPECT_EQ(c.VoiceVolume, 10);
  EXPECT_EQ(c.Language, TLanguage::Japanese);
  const TGameConfig d = ReadConfig(TProfile());
  EXPECT_FALSE(d.FullScreen);
  EXPECT_EQ(d.MusicVolume, kMaxVolume);
  EXPECT_EQ(d.Language, TLanguage::Auto);
  for (const char* bad : {"11", "-1", "loud", ""}) {
    TGameConfig b =
        ReadConfig(TProfile(std::string("[System]\nSoundVolume=") + bad + "\nLanguage=" + bad + "\n"));
    EXPECT_EQ(b.SoundVolume, kMaxVolume) << bad;
    EXPECT_EQ(b.Language, TLanguage::Auto) << bad;  // an unknown language means auto
  }
  EXPECT_EQ(ReadConfig(TProfile("[System]\nLanguage=en\n")).Language, TLanguage::English);
}

TEST(SaveConfig, DisplayVolumesAndLanguageRoundTrip) {
  TTempDir dir;
  const std::string ini = dir.Path("kq001.INI");
  TGameConfig cfg;
  cfg.FullScreen = true;
  cfg.MusicVolume = 3;
  cfg.SoundVolume = 0;
  cfg.VoiceVolume = 9;
  cfg.Language = TLanguage::Japanese;
  SaveConfig(ini, cfg);
  EXPECT_NE(ReadBytes(ini).find("Language=ja\r\n"), std::string::npos);
  TGameConfig back;
  TLevelTable table;
  LoadConfig(ini, dir.Path("LevelUp.def"), back, table);
  EXPECT_TRUE(back.FullScreen);
  EXPECT_EQ(back.MusicVolume, 3);
  EXPECT_EQ(back.SoundVolume, 0);
  EXPECT_EQ(back.VoiceVolume, 9);
  EXPECT_EQ(back.Language, TLanguage::Japanese);
}

TEST(SaveConfig, FirstRunWritesOnlyTheWrittenBackKeys) {
  TTempDir dir;
  const std::string ini = dir.Path("kq001.INI");
  TGameConfig cfg;
  cfg.WaitVsync = false;
  cfg.JoyName1P = "Pad";
  cfg.KeyAssign2P.J03 = 200;
  cfg.Cpu2P = 4;
  SaveConfig(ini, cfg);
  const std::string text = ReadBytes(ini);
  EXPECT_EQ(text.substr(0, 40), "[System]\r\nUseDirect3D=1\r\nWaitVsync=0\r\nDi");
  int keys = 0;
  for (char ch : text) keys += ch == '=';
  EXPECT_EQ(keys, 9 + 3 + 3 + 12 + 12);
  EXPECT_EQ(text.find("DisableGameOver"), std::string::npos);
  EXPECT_EQ(text.find("LineUpInterval"), std::string::npos);
  EXPECT_EQ(dir.Count(), 1);  // no temporary file left

  TGameConfig back;
  TLevelTable table;
  LoadConfig(ini, dir.Path("LevelUp.def"), back, table);
  EXPECT_FALSE(back.WaitVsync);
  EXPECT_EQ(back.JoyName1P, "Pad");
  EXPECT_EQ(back.KeyAssign2P.J03, 200);
  EXPECT_EQ(back.KeyAssign1P.K01, 90);
  EXPECT_EQ(back.Cpu1P, 0);
  EXPECT_EQ(back.Cpu2P, 4);
  EXPECT_NE(text.find("[Status2P]\r\nAdvancedMode=0\r\nJoyName=\r\nCpu=4\r\n"), std::string::npos);
}

TEST(SaveConfig, KeepsUnknownLinesAndDisableGameOverOverManyRuns) {
  TTempDir dir;
  const std::string ini = dir.Path("kq001.INI");
  const std::string original =
      "; \x83\x51\x81\x5b\x83\x80\x90\xdd\x92\xe8\r\n"  // Shift-JIS comment
      "[SYSTEM]\r\n"
      "DisableGameOver = 1\r\n"
      "UseDirect3D=1\r\n"
      "LineUpInterval=0x1388 ; hex\r\n"
      "Unknown=\xe2\x98\x85\r\n"
      "\r\n"
      "[Mine]\r\n"
      "whatever\r\n";
  WriteBytes(ini, original);
  for (int run = 0; run < 3; ++run) {
    TGameConfig cfg;
    TLevelTable table;
    LoadConfig(ini, dir.Path("LevelUp.def"), cfg, table);
    EXPECT_TRUE(cfg.DisableGameOver);
    cfg.UseDirect3D = run % 2 == 1;
    SaveConfig(ini, cfg);
  }
  const std::string text = ReadBytes(ini);
  // Everything up to the end of the file's own [System] lines is as it was, but for UseDirect3D.
  std::string expectedHead = original;
  expectedHead.replace(expectedHead.find("UseDirect3D=1"), 13, "UseDirect3D=0");
  EXPECT_EQ(text.substr(0, expectedHead.find("Unknown")),
            expectedHead.substr(0, expectedHead.find("Unknown")));
  EXPECT_NE(text.find("Unknown=\xe2\x98\x85\r\nWaitVsync=1\r\n"), std::string::npos);
  EXPECT_NE(text.find("[Mine]\r\nwhatever\r\n"), std::string::npos);
  EXPECT_EQ(text.find("DisableGameOver"), text.rfind("DisableGameOver"));  // still exactly once
  EXPECT_EQ(text.find("\n\n"), std::string::npos);                         // no LF-only line crept in
}

TEST(SaveConfig, UnwritableFolderRaisesAndLeavesTheFile) {
  TTempDir dir;
  const std::string ini = dir.Path("kq001.INI");
  WriteBytes(ini, "[System]\nUseDirect3D=1\n");
  test::GiveToBody(dir.Dir());
  ::chmod(dir.Dir().c_str(), 0555);
  EXPECT_EQ(test::AsOrdinaryUser([&] {
              KQ_CHECK(test::FolderRefusesWrites(dir.Dir()));
              TGameConfig cfg;
              cfg.UseDirect3D = false;
              try {
                SaveConfig(ini, cfg);
                KQ_CHECK(!"no error");
              } catch (const EWriteError& e) {
                KQ_CHECK(std::string(e.what()) == "Cannot write " + ini);
                KQ_CHECK(e.Errno == EACCES);
              }
              return 0;
            }),
            0);
  EXPECT_EQ(ReadBytes(ini), "[System]\nUseDirect3D=1\n");
}

TEST(SaveConfig, FailedRenameLeavesNoTemporaryFile) {
  TTempDir dir;
  const std::string ini = dir.Path("kq001.INI");
  std::filesystem::create_directories(ini + "/inside");  // a folder where the file should be
  EXPECT_THROW(SaveConfig(ini, TGameConfig{}), EWriteError);
  EXPECT_TRUE(std::filesystem::exists(ini + "/inside"));
  EXPECT_EQ(dir.Count(), 1);
  EXPECT_THROW(SaveConfig(dir.Path("no/such/folder.INI"), TGameConfig{}), EWriteError);
}

TEST(SaveConfig, ReadOnlyFileIsNotReplaced) {
  TTempDir dir;
  const std::string ini = dir.Path("kq001.INI");
  WriteBytes(ini, "[System]\nUseDirect3D=1\n");
  ::chmod(ini.c_str(), 0444);
  test::GiveToBody(dir.Dir());
  EXPECT_EQ(test::AsOrdinaryUser([&] {
              KQ_CHECK(::access(ini.c_str(), W_OK) != 0);
              TGameConfig cfg;
              cfg.UseDirect3D = false;
              try {
                SaveConfig(ini, cfg);
                KQ_CHECK(!"no error");
              } catch (const EWriteError&) {
              }
              return 0;
            }),
            0);
  EXPECT_EQ(ReadBytes(ini), "[System]\nUseDirect3D=1\n");
}

TEST(SaveConfig, KeepsTheFileModeAndSymlink) {
  TTempDir dir;
  const std::string real = dir.Path("real.INI"), link = dir.Path("kq001.INI");
  WriteBytes(real, "[System]\n");
  ::chmod(real.c_str(), 0640);
  std::filesystem::create_symlink(real, link);
  SaveConfig(link, TGameConfig{});
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_NE(ReadBytes(real).find("UseDirect3D=1"), std::string::npos);
  struct stat st {};
  ::stat(real.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(MergeSettings, ANewerFileKeepsItsOwnSettingsExceptThoseThisRunChanged) {
  TGameConfig base;
  TGameConfig theirs = base;
  theirs.DisableBgm = true;
  theirs.JoyName2P = "their pad";
  theirs.KeyAssign1P.UP = 87;
  theirs.ShotSpeed = 300;  // a tuning key is never ours to write
  TGameConfig ours = base;
  ours.Cpu1P = 3;
  ours.WaitVsync = false;
  ours.KeyAssign2P.K01 = 13;
  ours.ShotSpeed = 500;
  TGameConfig m = MergeSettings(base, ours, theirs);
  EXPECT_TRUE(m.DisableBgm);
  EXPECT_EQ(m.JoyName2P, "their pad");
  EXPECT_EQ(m.KeyAssign1P.UP, 87);
  EXPECT_EQ(m.ShotSpeed, 300);
  EXPECT_EQ(m.Cpu1P, 3);
  EXPECT_FALSE(m.WaitVsync);
  EXPECT_EQ(m.KeyAssign2P.K01, 13);
  // Each written-back setting this run changed gets through.
  TGameConfig all = base;
  all.UseDirect3D = !all.UseDirect3D;
  all.WaitVsync = !all.WaitVsync;
  all.DisableBgm = !all.DisableBgm;
  all.DisableVoice = !all.DisableVoice;
  all.AdvancedMode1P = !all.AdvancedMode1P;
  all.AdvancedMode2P = !all.AdvancedMode2P;
  all.JoyName1P = "a";
  all.JoyName2P = "b";
  all.Cpu1P = 1;
  all.Cpu2P = 2;
  all.KeyAssign1P.J01 = 9;
  all.KeyAssign2P.DOWN = 1;
  TGameConfig mine = MergeSettings(base, all, theirs);
  mine.ShotSpeed = all.ShotSpeed;
  EXPECT_TRUE(mine == all);
}

TEST(SaveAtExit, ScoresAreSavedWhenTheSettingsCannotBe) {
  TTempDir dir;
  const std::string ini = dir.Path("kq001.INI"), hi = dir.Path("kq001.HI");
  std::filesystem::create_directories(ini);  // the settings write must fail
  THiScoreTable scores{};
  scores[0].Score = 1234;
  TRandom rng(7);
  TExitSaveResult r = SaveAtExit(ini, TGameConfig{}, hi, scores, rng);
  EXPECT_EQ(r.Config.Failures, std::vector<std::string>{"Cannot write " + ini + ": Is a directory"});
  EXPECT_TRUE(r.Config.Lost());
  EXPECT_EQ(r.HiScores.SavedPath, hi);
  EXPECT_TRUE(r.Lost());
  EXPECT_EQ(r.Message(), "Cannot write " + ini + ": Is a directory");
  THiScoreTable back{};
  LoadHiScores(hi, back);
  EXPECT_EQ(back[0].Score, 1234);

  r = SaveAtExit(dir.Path("ok.INI"), TGameConfig{}, dir.Path("missing/kq001.HI"), scores, rng);
  EXPECT_FALSE(r.Config.Lost());
  EXPECT_EQ(r.HiScores.Failures, std::vector<std::string>{"Cannot write " + dir.Path("missing/kq001.HI") +
                                                          ": No such file or directory"});
  EXPECT_TRUE(r.Lost());
}

}  // namespace
}  // namespace kq

namespace kq {
namespace {

TEST(NetworkSettings, ServerAndRecentRivalsReadBackAndStayOutOfFilesThatNeverUsedThem) {
  // A file that never named a server gets no [Network] section from a save.
  TProfile untouched("[System]\nUseDirect3D=1\n");
  WriteConfig(untouched, ReadConfig(untouched));
  EXPECT_EQ(untouched.Text().find("[Network]"), std::string::npos) << untouched.Text();

  TGameConfig c;
  c.NetServer = "match.example.org:7700";
  RememberRival(c, "ABC234");
  RememberRival(c, "192.0.2.7:7702");
  RememberRival(c, "ABC234");  // again: moves to the front, once
  ASSERT_EQ(c.RecentRivals, (std::vector<std::string>{"ABC234", "192.0.2.7:7702"}));
  for (const char* r : {"R1", "R2", "R3", "R4"}) RememberRival(c, r);
  EXPECT_EQ(c.RecentRivals.size(), size_t(kMaxRecentRivals));
  EXPECT_EQ(c.RecentRivals.front(), "R4");
  TProfile ini;
  WriteConfig(ini, c);
  const TGameConfig back = ReadConfig(TProfile(ini.Text()));
  EXPECT_EQ(back.NetServer, c.NetServer);
  EXPECT_EQ(back.RecentRivals, c.RecentRivals);

  // A shorter list empties the keys it no longer fills; junk in the file reads as nothing.
  c.RecentRivals = {"XYZ789"};
  WriteConfig(ini, c);
  EXPECT_EQ(ReadConfig(TProfile(ini.Text())).RecentRivals, (std::vector<std::string>{"XYZ789"}));
  const TGameConfig junk = ReadConfig(
      TProfile("[Network]\nServer=has blanks in it\nRival1=" + std::string(80, 'A') + "\nRival2=OK\n"));
  EXPECT_EQ(junk.NetServer, "");
  EXPECT_EQ(junk.RecentRivals, (std::vector<std::string>{"OK"}));
}

TEST(NetworkSettings, ServerAddressesAreHostWithAnOptionalPortInRange) {
  for (const char* good : {"match.example.org", "192.0.2.1:7700", "h:1", "h:65535", "[2001:db8::1]",
                           "[2001:db8::1]:7700", "KQ-SERVER"})
    EXPECT_TRUE(ServerAddressOk(good)) << good;
  for (const char* bad : {"", ":7700", "h:", "h:0", "h:65536", "h:123456", "h:77a", "2001:db8::1", "[]:7700",
                          "[2001:db8::1", "[2001:db8::1]7700", "has blank", "h:7700:1"})
    EXPECT_FALSE(ServerAddressOk(bad)) << bad;
  EXPECT_FALSE(ServerAddressOk(std::string(65, 'a')));
}

// A save that fails says why in the player's language: what stands in the file's place, or the
// system's reason.
TEST(SaveFailureReasons, FollowTheLanguage) {
  const std::string dir =
      std::filesystem::temp_directory_path() / ("kq_reason_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  EXPECT_EQ(WriteFailureReason(dir, 0), "Is a directory");
  EXPECT_EQ(SystemErrorText(EACCES), "Permission denied");
  EXPECT_EQ(SystemErrorText(EXDEV), std::strerror(EXDEV));  // not one a save meets: the system's
  ASSERT_EQ(SetLanguage(TLanguage::Japanese, {std::string(KQ_BIN_DIR) + "/locale"}), TLanguage::Japanese);
  EXPECT_EQ(WriteFailureReason(dir, 0), "フォルダーです");
  EXPECT_EQ(SystemErrorText(EACCES), "アクセスが拒否されました");
  EXPECT_EQ(WriteErrorText("/x/kq001.INI") + ": " + SystemErrorText(EROFS),
            "/x/kq001.INI に書き込めません: 読み取り専用のファイルシステムです");
  SetLanguage(TLanguage::English, {});
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kq
