// Where settings and scores live, and what happens when a save fails.
#include "config/user_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
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

// A table with these results, as a save would write it.
std::string TableWith(std::initializer_list<int> scores) {
  THiScoreTable t{};
  for (int s : scores) InsertHiScore(t, s, 1, 1);
  TRandom rng(9);
  return FormatHiScores(t, rng);
}

THiScoreTable TableIn(const std::string& path) {
  THiScoreTable t{};
  LoadHiScores(path, t);
  return t;
}

// Moves a file's modification time into the past, so which copy is newer never hangs on the
// clock's resolution.
void Age(const std::string& path, int seconds) {
  struct timespec ts[2];
  ::clock_gettime(CLOCK_REALTIME, &ts[0]);
  ts[0].tv_sec -= seconds;
  ts[1] = ts[0];
  ::utimensat(AT_FDCWD, path.c_str(), ts, 0);
}

// A full disk in folder: every write of a temporary there fails with ENOSPC.
TFileOps FullDiskIn(const std::string& folder) {
  TFileOps full = SystemFileOps();
  full.Write = [folder](int fd, const void* data, size_t size) -> ssize_t {
    char link[64], target[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t n = ::readlink(link, target, sizeof target - 1);
    if (n > 0 && std::string(target, size_t(n)).rfind(folder + ".kq001", 0) == 0) {
      errno = ENOSPC;
      return -1;
    }
    return ::write(fd, data, size);
  };
  return full;
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
  TFileOps full = FullDiskIn(app);
  THiScoreTable scores{};
  scores[0].Score = 99;
  TRandom rng(5);
  TExitSaveResult r = SaveAtExit(u, TGameConfig{}, scores, rng, full);
  EXPECT_FALSE(r.Lost());
  EXPECT_EQ(r.HiScores.SavedPath, dir.Path("home/.local/share/kq001/kq001.HI"));
  EXPECT_EQ(r.Message(), "Cannot write " + app + "kq001.INI: No space left on device\nSaved to " +
                             dir.Path("home/.config/kq001/kq001.INI") + " instead\nCannot write " + app +
                             "kq001.HI: No space left on device\nSaved to " +
                             dir.Path("home/.local/share/kq001/kq001.HI") + " instead");
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
  EXPECT_EQ(r.Message(), "Cannot write " + app + "kq001.HI: Is a directory\nCannot write " +
                             dir.Path("home/.local/share/kq001/kq001.HI") + ": Not a directory");
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

TEST(UserFilesRoundTrip, AScoreThatHadToMoveIsReadBackAndNeverLostToTheOlderTable) {
  TTempDir dir;
  const std::string app = dir.Dir() + "/", beside = app + "kq001.HI";
  const std::string user = dir.Path("home/.local/share/kq001/kq001.HI");
  const TUserEnv env = HomeOnly(dir.Path("home"));
  WriteBytes(beside, TableWith({100}));
  Age(beside, 60);
  TUserFiles u = ResolveUserFiles(app, "kq001", env);
  ASSERT_EQ(u.Hi.ReadPath, beside);
  THiScoreTable scores = TableIn(u.Hi.ReadPath);
  InsertHiScore(scores, 500, 1, 1);
  TRandom rng(1);
  // The disk is full at exit: this run's table goes to the user folder.
  ASSERT_EQ(SaveAtExit(u, TGameConfig{}, scores, rng, FullDiskIn(app)).HiScores.SavedPath, user);
  // The disk has room again: the next start reads the moved table, not the older one beside.
  u = ResolveUserFiles(app, "kq001", env);
  EXPECT_EQ(u.Hi.ReadPath, user);
  scores = TableIn(u.Hi.ReadPath);
  EXPECT_EQ(scores[0].Score, 500);
  EXPECT_EQ(scores[1].Score, 100);
  TExitSaveResult r = SaveAtExit(u, TGameConfig{}, scores, rng);
  EXPECT_EQ(r.HiScores.SavedPath, beside);
  EXPECT_EQ(r.Message(), "");
  EXPECT_EQ(TableIn(beside), scores);
  EXPECT_EQ(TableIn(user), scores);  // the copy that stood in is left as it was
  EXPECT_FALSE(fs::exists(user + ".from"));
  // Without the note the user folder's file is the installed game's again: not read, even newer.
  WriteBytes(user, TableWith({900}));
  EXPECT_EQ(ResolveUserFiles(app, "kq001", env).Hi.ReadPath, beside);
}

TEST(UserFilesRoundTrip, FilesBlockedByAFolderOrAFifoAreReadFromWhereTheyWent) {
  TTempDir dir;
  const std::string app = dir.Dir() + "/", home = dir.Path("home");
  fs::create_directories(app + "kq001.HI");
  ASSERT_EQ(::mkfifo((app + "kq001.INI").c_str(), 0600), 0);
  const TUserEnv env = HomeOnly(home);
  TUserFiles u = ResolveUserFiles(app, "kq001", env);
  EXPECT_EQ(u.Ini.ReadPath, "");
  EXPECT_EQ(u.Hi.ReadPath, "");
  TGameConfig cfg;
  cfg.DisableBgm = true;
  THiScoreTable scores{};
  InsertHiScore(scores, 4242, 7, 3);
  TRandom rng(2);
  TExitSaveResult r = SaveAtExit(u, cfg, scores, rng);
  EXPECT_EQ(r.Config.Failures, std::vector<std::string>{"Cannot write " + app +
                                                        "kq001.INI: Is a FIFO (named pipe), not a file"});
  EXPECT_EQ(r.HiScores.Failures,
            std::vector<std::string>{"Cannot write " + app + "kq001.HI: Is a directory"});
  for (int run = 0; run < 2; ++run) {
    u = ResolveUserFiles(app, "kq001", env);
    ASSERT_EQ(u.Ini.ReadPath, home + "/.config/kq001/kq001.INI");
    ASSERT_EQ(u.Hi.ReadPath, home + "/.local/share/kq001/kq001.HI");
    TGameConfig back;
    TLevelTable table;
    LoadConfig(u.Ini.ReadPath, "", back, table);
    EXPECT_TRUE(back.DisableBgm);
    scores = TableIn(u.Hi.ReadPath);
    EXPECT_EQ(scores[0].Score, 4242);
    EXPECT_EQ(scores[1].Score, run == 0 ? 0 : 300);
    // Still blocked: the next save adds to the moved copy.
    InsertHiScore(scores, 300, 1, 1);
    EXPECT_FALSE(SaveAtExit(u, back, scores, rng).Lost());
  }
}

TEST(SaveAtExit, ATableOrSettingsSavedSinceThisRunReadItsOwnAreNotLost) {
  TTempDir dir;
  const std::string app = dir.Dir() + "/", home = dir.Path("home");
  const TUserEnv env = HomeOnly(home);
  // Two runs of one copy read the same table; the one that ends last must not drop the other's.
  WriteBytes(app + "kq001.HI", TableWith({100}));
  Age(app + "kq001.HI", 60);
  TUserFiles first = ResolveUserFiles(app, "kq001", env), second = first;
  THiScoreTable a = TableIn(first.Hi.ReadPath), b = a;
  InsertHiScore(a, 500, 1, 1);
  InsertHiScore(b, 600, 1, 1);
  TRandom rng(4);
  ASSERT_FALSE(SaveAtExit(first, TGameConfig{}, a, rng).Lost());
  ASSERT_FALSE(SaveAtExit(second, TGameConfig{}, b, rng).Lost());
  THiScoreTable both = TableIn(app + "kq001.HI");
  EXPECT_EQ(both[0].Score, 600);
  EXPECT_EQ(both[1].Score, 500);
  EXPECT_EQ(both[2].Score, 100);
  EXPECT_EQ(both[3].Score, 0);

  // A portable copy whose own place is blocked falls back onto the installed game's newer
  // files: their results and settings stay, with this run's added.
  fs::remove(app + "kq001.HI");
  fs::remove(app + "kq001.INI");
  fs::create_directories(app + "kq001.HI");
  fs::create_directories(app + "kq001.INI");
  fs::create_directories(home + "/.local/share/kq001");
  fs::create_directories(home + "/.config/kq001");
  WriteBytes(home + "/.local/share/kq001/kq001.HI", TableWith({900}));
  WriteBytes(home + "/.config/kq001/kq001.INI", "; theirs\n[System]\nDisableBgm=1\nShotSpeed=300\n");
  TUserFiles u = ResolveUserFiles(app, "kq001", env);
  ASSERT_EQ(u.Hi.ReadPath, "");
  TGameConfig cfg;
  cfg.Cpu1P = 2;
  THiScoreTable mine{};
  InsertHiScore(mine, 700, 1, 1);
  ASSERT_FALSE(SaveAtExit(u, cfg, mine, rng).Lost());
  THiScoreTable merged = TableIn(home + "/.local/share/kq001/kq001.HI");
  EXPECT_EQ(merged[0].Score, 900);
  EXPECT_EQ(merged[1].Score, 700);
  TGameConfig saved;
  TLevelTable table;
  LoadConfig(home + "/.config/kq001/kq001.INI", "", saved, table);
  EXPECT_TRUE(saved.DisableBgm);
  EXPECT_EQ(saved.ShotSpeed, 300);
  EXPECT_EQ(saved.Cpu1P, 2);
  EXPECT_EQ(ReadBytes(home + "/.config/kq001/kq001.INI").rfind("; theirs\n", 0), 0u);
}

TEST(SaveAtExit, LinksInPlaceOfTheFilesFollowOneRule) {
  TTempDir dir;
  const std::string app = dir.Dir() + "/", home = dir.Path("home");
  const TUserEnv env = HomeOnly(home);
  TRandom rng(6);
  THiScoreTable scores{};
  InsertHiScore(scores, 321, 1, 1);

  // A link to a regular file: read through it, its target replaced, the link kept.
  fs::create_directories(dir.Path("real"));
  WriteBytes(dir.Path("real/scores"), TableWith({100}));
  WriteBytes(dir.Path("real/settings"), "[System]\nDisableVoice=1\n");
  fs::create_symlink(dir.Path("real/scores"), app + "kq001.HI");
  fs::create_symlink("../" + fs::path(dir.Dir()).filename().string() + "/real/settings", app + "kq001.INI");
  TUserFiles u = ResolveUserFiles(app, "kq001", env);
  EXPECT_EQ(u.Hi.ReadPath, app + "kq001.HI");
  EXPECT_EQ(u.Ini.ReadPath, app + "kq001.INI");
  TExitSaveResult r = SaveAtExit(u, TGameConfig{}, scores, rng);
  EXPECT_EQ(r.Message(), "");
  EXPECT_TRUE(fs::is_symlink(app + "kq001.HI"));
  EXPECT_TRUE(fs::is_symlink(app + "kq001.INI"));
  EXPECT_EQ(TableIn(dir.Path("real/scores"))[0].Score, 321);
  EXPECT_NE(ReadBytes(dir.Path("real/settings")).find("UseDirect3D=1"), std::string::npos);
  EXPECT_FALSE(fs::exists(home));

  // A link to nothing, a link to itself and a loop of two: named, left alone, saved elsewhere.
  struct TCase {
    std::string Ini, Hi;  // link targets
    std::string IniReason, HiReason;
  } cases[] = {
      {app + "gone/x.INI", app + "gone.HI", "Symbolic link to a missing file \"" + app + "gone/x.INI\"",
       "Symbolic link to a missing file \"" + app + "gone.HI\""},
      {"kq001.INI", "kq001.HI", "Symbolic link loop", "Symbolic link loop"},
      {"a", "b", "Symbolic link loop", "Symbolic link loop"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Ini);
    fs::remove_all(home);
    for (const char* f : {"kq001.INI", "kq001.HI", "a", "b"}) fs::remove(app + f);
    fs::create_symlink(c.Ini, app + "kq001.INI");
    fs::create_symlink(c.Hi, app + "kq001.HI");
    if (c.Ini == "a") {
      fs::create_symlink("kq001.INI", app + "a");
      fs::create_symlink("kq001.HI", app + "b");
    }
    u = ResolveUserFiles(app, "kq001", env);
    r = SaveAtExit(u, TGameConfig{}, scores, rng);
    EXPECT_EQ(r.Config.Failures,
              std::vector<std::string>{"Cannot write " + app + "kq001.INI: " + c.IniReason});
    EXPECT_EQ(r.HiScores.Failures,
              std::vector<std::string>{"Cannot write " + app + "kq001.HI: " + c.HiReason});
    EXPECT_EQ(r.HiScores.SavedPath, home + "/.local/share/kq001/kq001.HI");
    EXPECT_EQ(r.Config.SavedPath, home + "/.config/kq001/kq001.INI");
    EXPECT_EQ(fs::read_symlink(app + "kq001.INI"), c.Ini);
    EXPECT_EQ(fs::read_symlink(app + "kq001.HI"), c.Hi);
    EXPECT_EQ(ResolveUserFiles(app, "kq001", env).Hi.ReadPath, home + "/.local/share/kq001/kq001.HI");
  }
}

}  // namespace
}  // namespace kq
