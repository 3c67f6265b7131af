#include "config/hiscore.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "temp_dir.h"
#include "unprivileged.h"

namespace kq {
namespace {

THiScoreTable Sample() {
  THiScoreTable t{};
  t[0] = {9999999, 1234, 200};
  t[1] = {500000, 33, 57};
  t[2] = {120, 0, 1};
  return t;
}

bool Same(const THiScoreTable& a, const THiScoreTable& b) {
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].Score != b[i].Score || a[i].Combo != b[i].Combo || a[i].Level != b[i].Level) return false;
  return true;
}

std::string Unscramble(const std::string& f, size_t keyAt, size_t len) {
  std::string s = f.substr(keyAt + 1, len);
  for (char& c : s) c = static_cast<char>(c ^ f[keyAt]);
  return s;
}

TEST(HiScoreFile, Layout) {
  TRandom rng(3);
  const std::string f = FormatHiScores(Sample(), rng);
  ASSERT_EQ(f.size(), 129u);
  EXPECT_EQ(f.substr(0, 5), std::string("KQHI\x01"));
  for (size_t key : {5u, 62u, 95u, 120u}) {
    EXPECT_GE(static_cast<uint8_t>(f[key]), 160);
    EXPECT_LE(static_cast<uint8_t>(f[key]), 169);
  }
  EXPECT_EQ(Unscramble(f, 5, 56),
            "9999999"
            "0500000"
            "0000120" +
                std::string(35, '0'));
  EXPECT_EQ(Unscramble(f, 62, 32),
            "1234"
            "0033"
            "0000" +
                std::string(20, '0'));
  EXPECT_EQ(Unscramble(f, 95, 24),
            "200"
            "057"
            "001" +
                std::string(15, '0'));
  EXPECT_EQ(Unscramble(f, 120, 8), "00000000");
}

TEST(HiScoreFile, ReadsAFileWrittenByAnotherEncoder) {
  // The fuzz seed was made by a separate script from the byte layout alone.
  THiScoreTable t{};
  LoadHiScores(KQ_SOURCE_DIR "/fuzz/corpus/hiscore/valid.hi", t);
  EXPECT_EQ(t, Sample());
}

TEST(HiScoreFile, ValuesThatDoNotFitTheirDigitsSaturate) {
  THiScoreTable t{};
  t[0] = {12345678, 20000, 1500};
  t[1] = {-5, -1, -1};
  TRandom rng(1);
  THiScoreTable back{};
  ASSERT_TRUE(ParseHiScores(FormatHiScores(t, rng), back));
  EXPECT_EQ(back[0].Score, 9999999);
  EXPECT_EQ(back[0].Combo, 9999);
  EXPECT_EQ(back[0].Level, 999);
  EXPECT_EQ(back[1].Score, 0);
  EXPECT_EQ(back[1].Combo, 0);
}

TEST(HiScoreFile, TwoSavesDifferOnlyInKeysAndScrambledDigits) {
  TRandom rng(11);
  std::string a, b;
  for (int tries = 0; tries < 20 && a == b; ++tries)
    a = FormatHiScores(Sample(), rng), b = FormatHiScores(Sample(), rng);
  ASSERT_NE(a, b);
  for (size_t key : {5u, 62u, 95u, 120u}) {
    size_t len = key == 5 ? 56 : key == 62 ? 32 : key == 95 ? 24 : 8;
    EXPECT_EQ(Unscramble(a, key, len), Unscramble(b, key, len));
  }
  EXPECT_EQ(a.substr(0, 5), b.substr(0, 5));
}

TEST(HiScoreFile, RejectedFilesLeaveTheTable) {
  TRandom rng(5);
  const std::string good = FormatHiScores(Sample(), rng);
  THiScoreTable t{};
  t[0].Score = 42;
  std::string wrongMagic = good, zeroVersion = good;
  wrongMagic[3] = 'X';
  zeroVersion[4] = '\0';
  for (const std::string& bad :
       {wrongMagic, zeroVersion, good.substr(0, 128), good.substr(0, 3), std::string()})
    EXPECT_FALSE(ParseHiScores(bad, t));
  EXPECT_EQ(t[0].Score, 42);
  std::string version7 = good;
  version7[4] = '\x07';
  EXPECT_TRUE(ParseHiScores(version7 + "trailing bytes", t));
  EXPECT_TRUE(Same(t, Sample()));
}

TEST(HiScoreFile, NonDigitGroupsReadAsZero) {
  TRandom rng(5);
  std::string f = FormatHiScores(Sample(), rng);
  f[6 + 7 + 3] = static_cast<char>('x' ^ f[5]);    // row 1's score
  f[63] = static_cast<char>('-' ^ f[62]);          // row 0's combo
  f[96 + 3 + 1] = static_cast<char>(' ' ^ f[95]);  // row 1's level
  THiScoreTable t{};
  ASSERT_TRUE(ParseHiScores(f, t));
  EXPECT_EQ(t[0].Score, 9999999);
  EXPECT_EQ(t[1].Score, 0);
  EXPECT_EQ(t[0].Combo, 0);
  EXPECT_EQ(t[1].Level, 0);
  EXPECT_EQ(t[0].Level, 200);
}

TEST(HiScoreFile, RoundTripThroughTheFileAndRepairOfAForeignOne) {
  test::TTempDir dir;
  const std::string hi = dir.Path("kq001.HI");
  THiScoreTable t{};
  LoadHiScores(hi, t);  // missing file
  EXPECT_TRUE(Same(t, THiScoreTable{}));

  test::WriteBytes(hi, "KQHX not ours at all, but long enough to be read as a whole file .............");
  LoadHiScores(hi, t);
  EXPECT_TRUE(Same(t, THiScoreTable{}));

  TRandom rng(9);
  ASSERT_TRUE(SaveHiScores(hi, Sample(), rng));
  EXPECT_EQ(test::ReadBytes(hi).size(), 129u);
  EXPECT_EQ(dir.Count(), 1);
  LoadHiScores(hi, t);
  EXPECT_TRUE(Same(t, Sample()));
}

TEST(HiScoreFile, UnwritableFolderKeepsTheOldFile) {
  test::TTempDir dir;
  const std::string hi = dir.Path("kq001.HI");
  TRandom rng(2);
  ASSERT_TRUE(SaveHiScores(hi, Sample(), rng));
  const std::string before = test::ReadBytes(hi);
  EXPECT_FALSE(SaveHiScores(dir.Path("gone/kq001.HI"), Sample(), rng));

  test::GiveToBody(dir.Dir());
  ::chmod(dir.Dir().c_str(), 0555);
  EXPECT_EQ(test::AsOrdinaryUser([&] {
              KQ_CHECK(test::FolderRefusesWrites(dir.Dir()));
              KQ_CHECK(!SaveHiScores(hi, THiScoreTable{}, rng));
              return 0;
            }),
            0);
  EXPECT_EQ(test::ReadBytes(hi), before);
}

TEST(MergeHiScores, KeepsEveryResultOnceInRankOrder) {
  THiScoreTable ours = Sample(), theirs = Sample();
  InsertHiScore(ours, 700000, 5, 60);
  InsertHiScore(theirs, 600000, 6, 61);
  InsertHiScore(theirs, 120, 0, 1);  // the same as a row both had: a second game with that result
  THiScoreTable m = MergeHiScores(ours, theirs);
  EXPECT_EQ(m[0], Sample()[0]);
  EXPECT_EQ(m[1], (THiScoreRow{700000, 5, 60}));
  EXPECT_EQ(m[2], (THiScoreRow{600000, 6, 61}));
  EXPECT_EQ(m[3], Sample()[1]);
  EXPECT_EQ(m[4], (THiScoreRow{120, 0, 1}));
  EXPECT_EQ(m[5], (THiScoreRow{120, 0, 1}));
  EXPECT_EQ(m[6], THiScoreRow{});
  EXPECT_TRUE(Same(MergeHiScores(ours, ours), ours));
  // A full table keeps the best eight; an equal score keeps ours above theirs.
  THiScoreTable a{}, b{};
  for (int i = 0; i < 8; ++i) {
    a[size_t(i)] = {1000 - i * 10, 1, 1};
    b[size_t(i)] = {1000 - i * 10 - 5, 2, 2};
  }
  b[0] = {1000, 9, 9};
  m = MergeHiScores(a, b);
  EXPECT_EQ(m[0], a[0]);
  EXPECT_EQ(m[1], b[0]);
  EXPECT_EQ(m[2], a[1]);
  EXPECT_EQ(m[3], b[1]);
  EXPECT_EQ(m[7], b[3]);
}

TEST(InsertHiScore, Rules) {
  THiScoreTable t{};
  EXPECT_EQ(InsertHiScore(t, 0, 5, 5), -1);
  EXPECT_TRUE(Same(t, THiScoreTable{}));
  EXPECT_EQ(InsertHiScore(t, 100, 3, 2), 0);  // an empty table fills from the top
  EXPECT_EQ(InsertHiScore(t, 50, 1, 1), 1);
  EXPECT_EQ(InsertHiScore(t, 100, 9, 9), 1);  // equal: below the existing row
  EXPECT_EQ(t[0].Combo, 3);
  EXPECT_EQ(t[1].Combo, 9);
  EXPECT_EQ(t[2].Score, 50);
}

TEST(InsertHiScore, FullTable) {
  THiScoreTable t{};
  for (int i = 0; i < 8; ++i) t[i] = {800 - 100 * i, static_cast<int16_t>(i), static_cast<int16_t>(i)};
  THiScoreTable u = t;
  EXPECT_EQ(InsertHiScore(u, 500, 77, 77), 4);  // equal to row 3
  EXPECT_EQ(u[3].Combo, 3);
  EXPECT_EQ(u[4].Combo, 77);
  EXPECT_EQ(u[5].Score, 400);
  EXPECT_EQ(u[7].Score, 200);  // the old row 7 dropped

  u = t;
  EXPECT_EQ(InsertHiScore(u, 100, 88, 88), 7);  // equal to row 7 replaces it
  EXPECT_EQ(u[7].Combo, 88);
  EXPECT_EQ(u[6].Score, 200);

  u = t;
  EXPECT_EQ(InsertHiScore(u, 99, 1, 1), -1);
  EXPECT_TRUE(Same(u, t));
  EXPECT_EQ(InsertHiScore(u, 900, 40000, 5), 0);
  EXPECT_EQ(u[0].Combo, 32767);
}

}  // namespace
}  // namespace kq
