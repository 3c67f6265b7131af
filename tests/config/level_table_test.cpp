#include "config/level_table.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

#include "config/config_file.h"
#include "temp_dir.h"

namespace kq {
namespace {

std::string Section(int n, int lineUp, int hard, int need) {
  char buf[128];
  std::snprintf(buf, sizeof buf, "[LEVEL%.3d]\nLineUpInterval=%d\nHardBlockRatio=%d\nNeedBlock=%d\n\n", n,
                lineUp, hard, need);
  return buf;
}

std::string Levels(int from, int to) {
  std::string s;
  for (int n = from; n <= to; ++n) s += Section(n, 1000 + n, 1 + n % 100, 1 + n % 999);
  return s;
}

TGameConfig Configured() {
  TGameConfig c;
  c.HardBlockRatio = 33;
  c.LineUpInterval = 4321;
  return c;
}

TEST(DefaultLevelTable, TextLayout) {
  std::istringstream in{std::string(DefaultLevelTableText())};
  std::string line;
  int headings = 0, level13 = 0, values = 0;
  const std::regex heading(R"(\[Level(\d{3})\])");
  const std::regex value(R"((LineUpInterval|HardBlockRatio|NeedBlock     ) =[ \d]{5})");
  while (std::getline(in, line)) {
    std::smatch m;
    if (std::regex_match(line, m, heading)) {
      ++headings;
      level13 += m[1] == "013";
    } else if (std::regex_match(line, value)) {
      ++values;
    } else {
      EXPECT_EQ(line, "") << "unexpected line";
    }
  }
  EXPECT_EQ(headings, 201);
  EXPECT_EQ(level13, 2);
  EXPECT_EQ(values, 201 * 3);
  EXPECT_NE(DefaultLevelTableText().find("[Level001]\nLineUpInterval =20000\nHardBlockRatio =    1\n"
                                         "NeedBlock      =    4\n\n[Level002]"),
            std::string::npos);
}

TEST(DefaultLevelTable, IsTheDataFileByteForByte) {
  std::ifstream in(std::string(KQ_SOURCE_DIR) + "/data/LevelUp.def", std::ios::binary);
  ASSERT_TRUE(in) << "data/LevelUp.def";
  const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(DefaultLevelTableText().size(), file.size());
  // One boolean, not the 15 KB of both texts, when they differ.
  EXPECT_TRUE(DefaultLevelTableText() == file);
  EXPECT_EQ(DefaultLevelTableText().data()[file.size()], '\0') << "the embedded bytes end in a zero";
}

TEST(DefaultLevelTable, Values) {
  TLevelTable t = BuildLevelTable(TProfile(std::string(DefaultLevelTableText())), TGameConfig{});
  ASSERT_EQ(t.size(), 200u);
  struct {
    int level, lineUp, hard, need;
  } const rows[] = {{1, 20000, 1, 4},   {3, 15000, 1, 4},   {4, 7000, 1, 4},    {13, 5000, 5, 4},
                    {14, 5000, 5, 4},   {15, 4000, 5, 4},   {29, 3500, 10, 4},  {40, 2700, 12, 4},
                    {49, 2000, 12, 4},  {50, 2000, 12, 8},  {61, 1750, 12, 8},  {62, 1750, 12, 4},
                    {80, 1650, 13, 8},  {84, 1600, 13, 4},  {99, 1500, 17, 1},  {100, 1500, 15, 1},
                    {101, 9000, 12, 1}, {105, 9000, 12, 8}, {106, 1500, 12, 8}, {109, 1300, 12, 6},
                    {130, 1180, 10, 8}, {184, 970, 10, 8},  {185, 990, 10, 8},  {200, 930, 10, 8}};
  for (const auto& r : rows) {
    const TLevelEntry& e = t[static_cast<size_t>(r.level - 1)];
    EXPECT_EQ(e.LineUpInterval, r.lineUp) << r.level;
    EXPECT_EQ(e.HardBlockRatio, r.hard) << r.level;
    EXPECT_EQ(e.NeedBlock, r.need) << r.level;
  }
}

TEST(LevelTable, AGapEndsTheTable) {
  EXPECT_EQ(BuildLevelTable(TProfile(Levels(1, 10) + Levels(12, 20)), Configured()).size(), 10u);
}

TEST(LevelTable, AnInvalidValueEndsTheTable) {
  for (const char* bad : {"0", "1000", "abc", ""}) {
    std::string text = Levels(1, 2) + "[level003]\nLineUpInterval=900\nHardBlockRatio=5\nNeedBlock=" + bad +
                       "\n" + Levels(4, 9);
    EXPECT_EQ(BuildLevelTable(TProfile(text), Configured()).size(), 2u) << bad;
  }
  EXPECT_EQ(BuildLevelTable(TProfile(Levels(1, 1) + Section(2, 99, 5, 5)), Configured()).size(), 1u);
  EXPECT_EQ(BuildLevelTable(TProfile(Levels(1, 1) + Section(2, 100, 101, 5)), Configured()).size(), 1u);
  EXPECT_EQ(BuildLevelTable(TProfile(Levels(1, 1) + Section(2, 100000, 100, 999)), Configured()).size(), 2u);
}

TEST(LevelTable, EmptyOrInvalidFirstLevelGivesOneConfiguredLevel) {
  for (const std::string& text : {std::string(), Levels(2, 5), Section(1, 5000, 0, 4) + Levels(2, 5)}) {
    TLevelTable t = BuildLevelTable(TProfile(text), Configured());
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].HardBlockRatio, 33);
    EXPECT_EQ(t[0].NeedBlock, 70);
    EXPECT_EQ(t[0].LineUpInterval, 4321);
  }
}

TEST(LevelTable, NothingBeyondLevel999) {
  std::string text = Levels(1, 999) + "[LEVEL1000]\nLineUpInterval=500\nHardBlockRatio=5\nNeedBlock=5\n";
  TLevelTable t = BuildLevelTable(TProfile(text), Configured());
  ASSERT_EQ(t.size(), 999u);
  EXPECT_EQ(t[998].LineUpInterval, 1999);
}

TEST(LevelTable, FirstOfARepeatedSectionCounts) {
  std::string text = Section(1, 800, 3, 9) + Section(1, 0, 0, 0) + Section(2, 700, 4, 8);
  TLevelTable t = BuildLevelTable(TProfile(text), Configured());
  ASSERT_EQ(t.size(), 2u);
  EXPECT_EQ(t[0].LineUpInterval, 800);
}

TEST(LoadConfig, LevelUpDefReplacesTheBuiltInTable) {
  test::TTempDir dir;
  const std::string ini = dir.Path("kq001.INI"), def = dir.Path("LevelUp.def");
  test::WriteBytes(ini, "[System]\r\nHardBlockRatio=0\r\nLineUpInterval=0x1388\r\n");
  TGameConfig cfg;
  TLevelTable t;
  LoadConfig(ini, def, cfg, t);
  EXPECT_EQ(t.size(), 200u);  // no LevelUp.def

  test::WriteBytes(def, "");
  LoadConfig(ini, def, cfg, t);
  ASSERT_EQ(t.size(), 1u);  // empty LevelUp.def: the built-in table is not used
  EXPECT_EQ(t[0].HardBlockRatio, 0);
  EXPECT_EQ(t[0].LineUpInterval, 5000);
  EXPECT_EQ(t[0].NeedBlock, 70);

  test::WriteBytes(def, "[Level001]\r\nNeedBlock = 3\r\nHardBlockRatio = 2\r\nLineUpInterval = 900\r\n");
  LoadConfig(ini, def, cfg, t);
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t[0].HardBlockRatio, 2);
  EXPECT_EQ(t[0].NeedBlock, 3);
  EXPECT_EQ(t[0].LineUpInterval, 900);
}

}  // namespace
}  // namespace kq
