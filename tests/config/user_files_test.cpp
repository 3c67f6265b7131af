// Where settings and scores live, and what happens when a save fails.
#include "config/user_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "config/config_file.h"
#include "config/exit_save.h"
#include "config/file_io.h"
#include "config/hiscore.h"
#include "config/temp_dir.h"
#include "config/unprivileged.h"

namespace kq {
namespace {

using test::ReadBytes;
using test::TTempDir;
using test::WriteBytes;
namespace fs = std::filesystem;

TUserEnv HomeOnly(const std::string& home) {
  TUserEnv e;
  e.Home = home;
  return e;
}

int ModeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

TEST(UserFolders, XdgValuesAreUsedOnlyWhenAbsolute) {
  TUserEnv e = HomeOnly("/home/u");
  EXPECT_EQ(UserConfigFolder(e), "/home/u/.config/kq001/");
  EXPECT_EQ(UserDataFolder(e), "/home/u/.local/share/kq001/");
  e.XdgConfigHome = "/cfg";
  e.XdgDataHome = "/data/";
  EXPECT_EQ(UserConfigFolder(e), "/cfg/kq001/");
  EXPECT_EQ(UserDataFolder(e), "/data/kq001/");
  e.XdgConfigHome = "relative/cfg";
  e.XdgDataHome = "";
  EXPECT_EQ(UserConfigFolder(e), "/home/u/.config/kq001/");
  EXPECT_EQ(UserDataFolder(e), "/home/u/.local/share/kq001/");
  e.Home.reset();
  EXPECT_EQ(UserConfigFolder(e), "");
  e.Home = "not/absolute";
  EXPECT_EQ(UserDataFolder(e), "");
}

TEST(UserFolders, SystemDataFoldersSkipRelativeEntries) {
  TUserEnv e;
  EXPECT_EQ(SystemDataFolders(e), (std::vector<std::string>{"/usr/local/share/kq001/", "/usr/share/kq001/"}));
  e.XdgDataDirs = "/opt/share:rel::/x/";
  EXPECT_EQ(SystemDataFolders(e), (std::vector<std::string>{"/opt/share/kq001/", "/x/kq001/"}));
}

TEST(ResolveUserFiles, AWritableProgramFolderKeepsTheFilesBesideTheProgram) {
  TTempDir dir;
  const std::string app = dir.Dir() + "/";
  WriteBytes(app + "KQ001.ini", "[System]\n");  // matched without regard to case
  TUserFiles u = ResolveUserFiles(app, "kq001", HomeOnly(dir.Path("home")));
  EXPECT_EQ(u.Ini.WritePlaces,
            (std::vector<std::string>{app + "KQ001.ini", dir.Path("home/.config/kq001/kq001.INI")}));
  EXPECT_EQ(u.Ini.ReadPath, app + "KQ001.ini");
  EXPECT_EQ(u.Hi.Chosen(), app + "kq001.HI");
  EXPECT_EQ(u.Hi.ReadPath, "");
  EXPECT_TRUE(u.BesideProgram);
  EXPECT_EQ(u.Warning, "");
}

TEST(ResolveUserFiles, AReadOnlyProgramFolderSendsThemToTheUserFolders) {
  TTempDir dir;
  fs::create_directories(dir.Path("app"));
  fs::create_directories(dir.Path("home"));
  WriteBytes(dir.Path("app/kq001.INI"), "[System]\n");
  test::GiveToBody(dir.Dir());
  ::chmod(dir.Path("app").c_str(), 0555);
  EXPECT_EQ(test::AsOrdinaryUser([&] {
              const std::string app = dir.Path("app/"), home = dir.Path("home");
              TUserFiles u = ResolveUserFiles(app, "kq001", HomeOnly(home));
              KQ_CHECK(u.Ini.Chosen() == home + "/.config/kq001/kq001.INI");
              KQ_CHECK(test::FolderRefusesWrites(app));  // really unprivileged
              KQ_CHECK(u.Ini.WritePlaces.back() == app + "kq001.INI");
              KQ_CHECK(u.Ini.ReadPath == app + "kq001.INI");  // first run: the one beside the program
              KQ_CHECK(u.Hi.Chosen() == home + "/.local/share/kq001/kq001.HI");
              KQ_CHECK(!u.BesideProgram);
              KQ_CHECK(u.Warning.empty());
              return 0;
            }),
            0);
}

TEST(ResolveUserFiles, AReadOnlyFileInAWritableFolderGoesToTheUserFolderAlone) {
  TTempDir dir;
  WriteBytes(dir.Path("kq001.HI"), "old");
  ::chmod(dir.Path("kq001.HI").c_str(), 0444);
  test::GiveToBody(dir.Dir());
  EXPECT_EQ(test::AsOrdinaryUser([&] {
              TUserFiles u = ResolveUserFiles(dir.Dir() + "/", "kq001", HomeOnly(dir.Path("home")));
              KQ_CHECK(u.Hi.Chosen() == dir.Path("home/.local/share/kq001/kq001.HI"));
              KQ_CHECK(u.Hi.ReadPath == dir.Path("kq001.HI"));
              KQ_CHECK(u.Ini.Chosen() == dir.Path("kq001.INI"));
              return 0;
            }),
            0);
}

TEST(ResolveUserFiles, APortableCopyNeverReadsTheUserFolders) {
  TTempDir dir;
  const std::string app = dir.Dir() + "/";
  fs::create_directories(dir.Path("home/.local/share/kq001"));
  const std::string user = dir.Path("home/.local/share/kq001/kq001.HI");
  WriteBytes(user, "the installed copy's scores");
  TUserFiles u = ResolveUserFiles(app, "kq001", HomeOnly(dir.Path("home")));
  EXPECT_EQ(u.Hi.Chosen(), app + "kq001.HI");
  EXPECT_EQ(u.Hi.ReadPath, "");
  WriteBytes(app + "kq001.HI", "mine");
  EXPECT_EQ(ResolveUserFiles(app, "kq001", HomeOnly(dir.Path("home"))).Hi.ReadPath, app + "kq001.HI");
}

// An installed copy (e.g. under ~/.local) must not litter its writable bindir; files an older
// version left there are still read once, so settings and scores come along.
TEST(ResolveUserFiles, AnInstalledCopyUsesTheUserFoldersEvenWhenItsFolderIsWritable) {
  TTempDir dir;
  const std::string bin = dir.Path("bin/"), home = dir.Path("home");
  fs::create_directories(bin);
  TUserFiles u = ResolveUserFiles(bin, "kq001", HomeOnly(home), TCopyKind::Installed);
  EXPECT_EQ(u.Ini.WritePlaces,
            (std::vector<std::string>{home + "/.config/kq001/kq001.INI", bin + "kq001.INI"}));
  EXPECT_EQ(u.Hi.Chosen(), home + "/.local/share/kq001/kq001.HI");
  EXPECT_EQ(u.Ini.ReadPath, "");
  EXPECT_FALSE(u.BesideProgram);
  EXPECT_EQ(u.Warning, "");
  WriteBytes(bin + "kq001.HI", "left by an older version");
  EXPECT_EQ(ResolveUserFiles(bin, "kq001", HomeOnly(home), TCopyKind::Installed).Hi.ReadPath,
            bin + "kq001.HI");
  fs::create_directories(home + "/.local/share/kq001");
  WriteBytes(home + "/.local/share/kq001/kq001.HI", "mine");
  EXPECT_EQ(ResolveUserFiles(bin, "kq001", HomeOnly(home), TCopyKind::Installed).Hi.ReadPath,
            home + "/.local/share/kq001/kq001.HI");
  // The same folder holding the pack is a portable copy: its files stay beside it.
  EXPECT_TRUE(ResolveUserFiles(bin, "kq001", HomeOnly(home), TCopyKind::Portable).BesideProgram);
  // Without a home folder there is nowhere else to go.
  TUserFiles none = ResolveUserFiles(bin, "kq001", TUserEnv{}, TCopyKind::Installed);
  EXPECT_EQ(none.Hi.WritePlaces, std::vector<std::string>{bin + "kq001.HI"});
  EXPECT_NE(none.Warning, "");
}

TEST(ResolveUserFiles, NoHomeOrAnUnwritableHomeWarnsAndKeepsTheFilesBesideTheProgram) {
  TTempDir dir;
  const std::string app = dir.Dir() + "/";
  TUserFiles u = ResolveUserFiles(app, "kq001", TUserEnv{});
  EXPECT_EQ(u.Ini.WritePlaces, std::vector<std::string>{app + "kq001.INI"});
  EXPECT_EQ(
      u.Warning,
      "kq001: no user folder ($HOME is not set); settings and scores are kept beside the executable only");
  fs::create_directories(dir.Path("home"));
  test::GiveToBody(dir.Dir());
  ::chmod(dir.Path("home").c_str(), 0555);
  EXPECT_EQ(test::AsOrdinaryUser([&] {
              TUserFiles v = ResolveUserFiles(app, "kq001", HomeOnly(dir.Path("home")));
              KQ_CHECK(v.Ini.Chosen() == app + "kq001.INI");
              KQ_CHECK(v.Warning.find("cannot write the user folders") != std::string::npos);
              THiScoreTable scores{};
              scores[0].Score = 77;
              TRandom rng(1);
              TExitSaveResult r = SaveAtExit(v, TGameConfig{}, scores, rng);
              KQ_CHECK(!r.Lost());
              KQ_CHECK(r.Message().empty());
              KQ_CHECK(ReadBytes(app + "kq001.HI").size() == kHiScoreFileSize);
              return 0;
            }),
            0);
}

TEST(SaveAtExit, AReadOnlyProgramFolderSavesToUserFoldersMadePrivate) {
  TTempDir dir;
  fs::create_directories(dir.Path("app"));
  fs::create_directories(dir.Path("home"));
  // A hand-tuned read-only INI: its tuning keys and comments must reach the user copy.
  const std::string tuned = "; my tuning\n[System]\nShotSpeed=300\nUseDirect3D=1\n";
  WriteBytes(dir.Path("app/kq001.INI"), tuned);
  test::GiveToBody(dir.Dir());
  ::chmod(dir.Path("app").c_str(), 0555);
  EXPECT_EQ(test::AsOrdinaryUser([&] {
              const std::string app = dir.Path("app/"), home = dir.Path("home");
              TUserFiles u = ResolveUserFiles(app, "kq001", HomeOnly(home));
              TGameConfig cfg;
              TLevelTable table;
              LoadConfig(u.Ini.ReadPath, "", cfg, table);
              KQ_CHECK(cfg.ShotSpeed == 300);
              cfg.UseDirect3D = false;
              THiScoreTable scores{};
              scores[0].Score = 4242;
              TRandom rng(3);
              TExitSaveResult r = SaveAtExit(u, cfg, scores, rng);
              KQ_CHECK(!r.Lost());
              KQ_CHECK(r.Message().empty());  // the chosen places worked
              const std::string ini = ReadBytes(home + "/.config/kq001/kq001.INI");
              KQ_CHECK(ini.rfind("; my tuning\n[System]\nShotSpeed=300\nUseDirect3D=0\n", 0) == 0);
              KQ_CHECK(ReadBytes(app + "kq001.INI") == tuned);
              THiScoreTable back{};
              LoadHiScores(home + "/.local/share/kq001/kq001.HI", back);
              KQ_CHECK(back[0].Score == 4242);
              for (const char* d :
                   {"/.config", "/.config/kq001", "/.local", "/.local/share", "/.local/share/kq001"})
                KQ_CHECK(ModeOf(home + d) == 0700);
              // The next run reads the user copy.
              TUserFiles next = ResolveUserFiles(app, "kq001", HomeOnly(home));
              KQ_CHECK(next.Ini.ReadPath == home + "/.config/kq001/kq001.INI");
              return 0;
            }),
            0);
}

TEST(SaveAtExit, AFailingChosenPlaceFallsBackAndSaysWhere) {
  TTempDir dir;
  const std::string app = dir.Dir() + "/";
  WriteBytes(app + "kq001.HI", std::string(kHiScoreFileSize, 'x'));
  TUserFiles u = ResolveUserFiles(app, "kq001", HomeOnly(dir.Path("home")));
  // A full disk: every write into the program folder fails with ENOSPC.
  TFileOps full = SystemFileOps();
  full.Write = [&](int fd, const void* data, size_t size) -> ssize_t {
    char link[64], target[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t n = ::readlink(link, target, sizeof target - 1);
    if (n > 0 && std::string(target, size_t(n)).rfind(app + ".kq001", 0) == 0) {
      errno = ENOSPC;
      return -1;
    }
    return ::write(fd, data, size);
  };
  THiScoreTable scores{};
  scores[0].Score = 99;
  TRandom rng(5);
  TExitSaveResult r = SaveAtExit(u, TGameConfig{}, scores, rng, full);
  EXPECT_FALSE(r.Lost());
  EXPECT_EQ(r.HiScores.SavedPath, dir.Path("home/.local/share/kq001/kq001.HI"));
  EXPECT_EQ(r.Message(), app + "kq001.INI に書き込めません: No space left on device\n代わりに " +
                             dir.Path("home/.config/kq001/kq001.INI") + " に保存しました\n" + app +
                             "kq001.HI に書き込めません: No space left on device\n代わりに " +
                             dir.Path("home/.local/share/kq001/kq001.HI") + " に保存しました");
  EXPECT_EQ(ReadBytes(app + "kq001.HI"), std::string(kHiScoreFileSize, 'x'));  // untouched
  EXPECT_EQ(dir.Count(), 2);                                                   // no temporaries
}

TEST(SaveAtExit, WhenEveryPlaceFailsTheFileAndReasonAreNamed) {
  TTempDir dir;
  const std::string app = dir.Dir() + "/";
  fs::create_directories(app + "kq001.HI");  // a folder where the file should be
  WriteBytes(dir.Path("home"), "a file, not a folder");
  TUserFiles u = ResolveUserFiles(app, "kq001", HomeOnly(dir.Path("home")));
  THiScoreTable scores{};
  TRandom rng(5);
  TExitSaveResult r = SaveAtExit(u, TGameConfig{}, scores, rng);
  EXPECT_TRUE(r.Lost());
  EXPECT_FALSE(r.Config.Lost());
  EXPECT_EQ(r.Message(), app + "kq001.HI に書き込めません: Is a directory\n" +
                             dir.Path("home/.local/share/kq001/kq001.HI") +
                             " に書き込めません: Not a directory");
}

TEST(ReplaceFile, SyncsTheFolderAfterTheRename) {
  TTempDir dir;
  std::vector<std::string> synced;  // "file" or "folder", in order
  TFileOps watch = SystemFileOps();
  watch.Fsync = [&](int fd) {
    struct stat st {};
    ::fstat(fd, &st);
    // The folder's sync must see the new name already in place.
    synced.push_back(
        S_ISDIR(st.st_mode) ? (fs::exists(dir.Path("kq001.HI")) ? "folder after rename" : "folder") : "file");
    return ::fsync(fd);
  };
  ReplaceFile(dir.Path("kq001.HI"), "abc", watch);
  EXPECT_EQ(synced, (std::vector<std::string>{"file", "folder after rename"}));
}

TEST(ReplaceFile, KeepsTheOwnerOfTheReplacedFile) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root may give a file to another user";
  TTempDir dir;
  const std::string hi = dir.Path("kq001.HI");
  WriteBytes(hi, "old");
  ASSERT_EQ(::chown(hi.c_str(), test::kNobody, test::kNobody), 0);
  ReplaceFile(hi, "new");
  struct stat st {};
  ::stat(hi.c_str(), &st);
  EXPECT_EQ(st.st_uid, test::kNobody);
  EXPECT_EQ(st.st_gid, test::kNobody);
  EXPECT_EQ(ReadBytes(hi), "new");
  // A new file in a folder of another user's belongs to that user too.
  ASSERT_EQ(::chown(dir.Dir().c_str(), test::kNobody, test::kNobody), 0);
  ReplaceFile(dir.Path("kq001.INI"), "[System]\n");
  ::stat(dir.Path("kq001.INI").c_str(), &st);
  EXPECT_EQ(st.st_uid, test::kNobody);
  // ... who can then save over it.
  EXPECT_EQ(test::AsOrdinaryUser([&] {
              ReplaceFile(hi, "by the owner");
              return 0;
            }),
            0);
  EXPECT_EQ(ReadBytes(hi), "by the owner");
}

TEST(RemoveStaleTemporaries, RemovesOnlyOurOwnLeftOversOfDeadProcesses) {
  TTempDir dir;
  pid_t dead = ::fork();
  if (dead == 0) _exit(0);
  ASSERT_GT(dead, 0);
  ::waitpid(dead, nullptr, 0);
  const std::string hi = dir.Path("kq001.HI");
  WriteBytes(dir.Path(TemporaryName("kq001.HI", dead, 0)), "half");
  WriteBytes(dir.Path(TemporaryName("kq001.HI", dead, 7)), "half");
  WriteBytes(dir.Path(TemporaryName("kq001.HI", ::getppid(), 0)), "a live save");  // another process
  WriteBytes(dir.Path(TemporaryName("kq001.INI", dead, 0)), "not this file's");
  WriteBytes(dir.Path(".kq001.HI.x.0.tmp"), "not our pattern");
  WriteBytes(dir.Path("keep.tmp"), "mine");
  EXPECT_EQ(RemoveStaleTemporaries(hi), 2);
  EXPECT_FALSE(fs::exists(dir.Path(TemporaryName("kq001.HI", dead, 0))));
  EXPECT_TRUE(fs::exists(dir.Path(TemporaryName("kq001.HI", ::getppid(), 0))));
  EXPECT_TRUE(fs::exists(dir.Path(TemporaryName("kq001.INI", dead, 0))));
  EXPECT_TRUE(fs::exists(dir.Path(".kq001.HI.x.0.tmp")));
  EXPECT_EQ(dir.Count(), 4);
}

}  // namespace
}  // namespace kq
