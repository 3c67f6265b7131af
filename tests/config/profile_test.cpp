#include "config/profile.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <locale>

namespace kq {
namespace {

TEST(ProfileRead, NamesMatchWithoutCaseAndBlanksDoNotCount) {
  TProfile p("  [ system ]  \n   UseDirect3D   =   0   \nJOYNAME= pad one \n");
  EXPECT_EQ(p.ReadString("System", "usedirect3d"), "0");
  EXPECT_EQ(p.ReadString("SYSTEM", "JoyName"), "pad one");
  EXPECT_EQ(p.ReadString("System", "Missing"), std::nullopt);
  EXPECT_EQ(p.ReadString("Other", "UseDirect3D"), std::nullopt);
}

// Names are lower-cased eight bytes at a time: every length around a word, names longer than
// the lookup buffer, the neighbours of 'A' and 'Z', and bytes above ASCII must all match exactly.
TEST(ProfileRead, NameMatchingAtEveryLengthAndByte) {
  std::string text = "[Section]\n";
  std::vector<std::string> names;
  for (size_t len : {1, 7, 8, 9, 15, 16, 17, 63, 64, 65, 71, 72, 73, 200}) {
    std::string n;
    for (size_t i = 0; i < len; ++i) n += char('A' + i % 26);
    names.push_back(n);
    text += n + "=" + std::to_string(len) + "\n";
  }
  text += "@[`{=edges\n\xC1\xDA\x81=high\n";
  const TProfile p(text);
  for (const std::string& n : names) {
    std::string lower = n;
    for (char& c : lower) c = char(c - 'A' + 'a');
    EXPECT_EQ(p.ReadString("section", lower), std::to_string(n.size())) << n.size();
    EXPECT_EQ(p.ReadString("SECTION", n + "A"), std::nullopt) << n.size();
  }
  EXPECT_EQ(p.ReadString("Section", "@[`{"), "edges");
  EXPECT_EQ(p.ReadString("Section", "`{@["), std::nullopt);
  EXPECT_EQ(p.ReadString("Section", "\xC1\xDA\x81"), "high");
  EXPECT_EQ(p.ReadString("Section", "\xE1\xFA\x81"), std::nullopt);  // no case above ASCII
}

TEST(ProfileRead, ASectionViewReadsWhatTheProfileReads) {
  TProfile p("[A]\nx=1\nr=2.5\n[a]\nx=9\n[B]\ns= 'q' \n");
  const TProfile::TSectionView a = p.Section(" a ");
  EXPECT_EQ(a.ReadInteger("X"), 1);  // the first of two sections of one name
  EXPECT_EQ(a.ReadReal("r"), 2.5);
  EXPECT_EQ(a.ReadString("missing"), std::nullopt);
  EXPECT_EQ(p.Section("B").ReadString("s"), "q");
  EXPECT_EQ(p.Section("C").ReadInteger("x"), std::nullopt);
  EXPECT_EQ(TProfile().Section("A").ReadString("x"), std::nullopt);
}

TEST(ProfileRead, CrlfAndLfLinesAndNoFinalBreak) {
  TProfile p("[A]\r\nx=1\r\ny=2\nz=3");
  EXPECT_EQ(p.ReadString("A", "x"), "1");
  EXPECT_EQ(p.ReadString("A", "y"), "2");
  EXPECT_EQ(p.ReadString("A", "z"), "3");
}

TEST(ProfileRead, FirstOfRepeatedSectionsAndKeysWins) {
  TProfile p("[A]\nx=1\nx=9\n[B]\ny=2\n[a]\nx=5\nonly=7\n");
  EXPECT_EQ(p.ReadString("A", "x"), "1");
  // Keys of the second occurrence are not seen at all.
  EXPECT_EQ(p.ReadString("A", "only"), std::nullopt);
  EXPECT_EQ(p.ReadString("B", "y"), "2");
}

TEST(ProfileRead, OddLines) {
  TProfile p(
      "x=before any section\n"
      "[A\n"  // no closing bracket: not a heading
      "k=1\n"
      "[B] trailing words\n"
      "; k=commented\n"
      "plain line\n"
      "q=\"quoted value\"\n"
      "r='\n"
      "e=\n");
  EXPECT_EQ(p.ReadString("A", "k"), std::nullopt);
  EXPECT_EQ(p.ReadString("B", "k"), std::nullopt);
  EXPECT_EQ(p.ReadString("B", "q"), "quoted value");
  EXPECT_EQ(p.ReadString("B", "r"), "'");
  EXPECT_EQ(p.ReadString("B", "e"), "");
  EXPECT_EQ(p.ReadInteger("B", "e"), std::nullopt);
}

TEST(ProfileNumbers, Integers) {
  EXPECT_EQ(ParseProfileInteger("5000"), 5000);
  EXPECT_EQ(ParseProfileInteger("-12"), -12);
  EXPECT_EQ(ParseProfileInteger("+7"), 7);
  EXPECT_EQ(ParseProfileInteger("0x1388"), 5000);
  EXPECT_EQ(ParseProfileInteger("0X1388"), 5000);
  EXPECT_EQ(ParseProfileInteger("0xffffffff"), -1);
  EXPECT_EQ(ParseProfileInteger("2147483647"), 2147483647);
  EXPECT_EQ(ParseProfileInteger("-2147483648"), INT32_MIN);
  for (const char* bad : {"", "0x", "0x100000000", "2147483648", "-2147483649", "12a", "1.5", "abc", "- 1",
                          "0xg", "99999999999999999999"})
    EXPECT_EQ(ParseProfileInteger(bad), std::nullopt) << bad;
}

TEST(ProfileNumbers, Reals) {
  EXPECT_DOUBLE_EQ(*ParseProfileReal("0.5"), 0.5);
  EXPECT_DOUBLE_EQ(*ParseProfileReal("100"), 100.0);
  EXPECT_DOUBLE_EQ(*ParseProfileReal("-.25"), -0.25);
  EXPECT_DOUBLE_EQ(*ParseProfileReal("+2."), 2.0);
  EXPECT_DOUBLE_EQ(*ParseProfileReal("1e-2"), 0.01);
  for (const char* bad :
       {"", ".", "abc", "0,5", "1.2.3", "nan", "inf", "-infinity", "0x1p3", "1e", "1e999", "1 2", "+-1"})
    EXPECT_EQ(ParseProfileReal(bad), std::nullopt) << bad;
}

// A comma-decimal C locale, from the system or built with localedef into a private folder.
bool SetCommaLocale(const std::string& scratch) {
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE.ISO-8859-1", "de_DE"})
    if (std::setlocale(LC_ALL, name)) return true;
  if (!std::filesystem::exists("/usr/share/i18n/locales/de_DE")) return false;
  std::string cmd = "localedef -i de_DE -f ISO-8859-1 " + scratch + "/de_DE.ISO-8859-1 >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) return false;
  ::setenv("LOCPATH", scratch.c_str(), 1);
  bool ok = std::setlocale(LC_ALL, "de_DE.ISO-8859-1") != nullptr;
  ::unsetenv("LOCPATH");
  return ok;
}

TEST(ProfileNumbers, RealsIgnoreACommaDecimalLocale) {
  std::string scratch = std::filesystem::temp_directory_path() / "kq_locale_test";
  std::filesystem::create_directories(scratch);
  bool have = SetCommaLocale(scratch);
  if (have && std::localeconv()->decimal_point[0] != ',') have = false;
  if (!have) {
    std::setlocale(LC_ALL, "C");
    std::filesystem::remove_all(scratch);
    GTEST_SKIP() << "no comma-decimal locale installed and none could be built";
  }
  auto half = ParseProfileReal("0.5");
  auto comma = ParseProfileReal("0,5");
  std::setlocale(LC_ALL, "C");
  std::filesystem::remove_all(scratch);
  ASSERT_TRUE(half.has_value());
  EXPECT_DOUBLE_EQ(*half, 0.5);
  EXPECT_EQ(comma, std::nullopt);
}

struct TCommaPunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
};

TEST(ProfileNumbers, RealsIgnoreTheGlobalCxxLocale) {
  std::locale old = std::locale::global(std::locale(std::locale::classic(), new TCommaPunct));
  auto v = ParseProfileReal("0.25");
  std::locale::global(old);
  ASSERT_TRUE(v.has_value());
  EXPECT_DOUBLE_EQ(*v, 0.25);
}

TEST(ProfileWrite, ReplacesInPlaceAndKeepsEveryOtherByte) {
  // Shift-JIS and UTF-8 comments, odd spacing, a repeated section, an unknown key.
  const std::string before =
      "; \x90\xdd\x92\xe8 (Shift-JIS)\r\n"
      "[System]\r\n"
      "UseDirect3D = 1   \r\n"
      "Tuning=\xe8\xa8\xad\xe5\xae\x9a\r\n"
      "\r\n"
      "[system]\r\n"
      "UseDirect3D=7\r\n";
  TProfile p(before);
  p.WriteString("SYSTEM", "usedirect3d", "0");
  const std::string expected =
      "; \x90\xdd\x92\xe8 (Shift-JIS)\r\n"
      "[System]\r\n"
      "UseDirect3D = 0   \r\n"
      "Tuning=\xe8\xa8\xad\xe5\xae\x9a\r\n"
      "\r\n"
      "[system]\r\n"
      "UseDirect3D=7\r\n";
  EXPECT_EQ(p.Text(), expected);
  EXPECT_EQ(p.ReadString("System", "UseDirect3D"), "0");
}

TEST(ProfileWrite, NewKeyGoesAfterTheLastKeyOfItsSection) {
  TProfile p("[A]\nx=1\n\n; about B\n[B]\ny=2\n");
  p.WriteString("a", "New", "v");
  EXPECT_EQ(p.Text(), "[A]\nx=1\nNew=v\n\n; about B\n[B]\ny=2\n");
  p.WriteString("B", "z", "3");
  EXPECT_EQ(p.Text(), "[A]\nx=1\nNew=v\n\n; about B\n[B]\ny=2\nz=3\n");
}

TEST(ProfileWrite, KeyIntoEmptySectionAndAfterMissingFinalBreak) {
  TProfile p("[A]\r\n[B]\r\nx=1");
  p.WriteString("A", "k", "v");
  p.WriteString("B", "y", "2");
  EXPECT_EQ(p.Text(), "[A]\r\nk=v\r\n[B]\r\nx=1\r\ny=2\r\n");
}

TEST(ProfileWrite, NewSectionsAndNewFile) {
  TProfile empty;
  empty.WriteString("System", "UseDirect3D", "1");
  empty.WriteString("Status1P", "JoyName", "");
  EXPECT_EQ(empty.Text(), "[System]\r\nUseDirect3D=1\r\n\r\n[Status1P]\r\nJoyName=\r\n");
  EXPECT_EQ(empty.ReadString("Status1P", "JoyName"), "");

  TProfile lf("[A]\nx=1");
  lf.WriteString("B", "y", "2");
  EXPECT_EQ(lf.Text(), "[A]\nx=1\n\n[B]\ny=2\n");
}

TEST(ProfileWrite, ValueCannotAddLinesAndEmptyValueIsFilled) {
  TProfile p("[S]\nJoyName=\nK=   \n");
  p.WriteString("S", "JoyName", "Pad\r\n[System]\nUseDirect3D=0");
  p.WriteString("S", "K", "4");
  EXPECT_EQ(p.ReadString("S", "JoyName"), "Pad  [System] UseDirect3D=0");
  EXPECT_EQ(p.ReadString("System", "UseDirect3D"), std::nullopt);
  EXPECT_EQ(p.Text(), "[S]\nJoyName=Pad  [System] UseDirect3D=0\nK=4   \n");
}

TEST(ProfileWrite, ValuesReadBackAsWritten) {
  TProfile p;
  for (const char* v : {" lead", "trail\t", "\"quoted\"", "'single'", "\"", "'open", "mid\"dle", ""}) {
    p.WriteString("S", "JoyName", v);
    EXPECT_EQ(p.ReadString("S", "JoyName"), v);
    EXPECT_EQ(TProfile(p.Text()).ReadString("S", "JoyName"), v);
  }
}

TEST(ProfileWrite, WritesLeaveTheSameIndexAsAFreshParse) {
  TProfile p("x=0\n[A]\r\nk = 12  \r\n;c\r\n[B]\nq=\n[a]\nk=3");
  const char* names[] = {"k", "q", "new", " pad ", "[odd", "e=q"};
  const char* values[] = {"1", "", "longer value", " blank", "x\ny", "7"};
  int step = 0;
  for (const char* section : {"A", "b", "C", "a", " D ", "b", "C"}) {
    for (const char* key : names) {
      p.WriteString(section, key, values[step++ % 6]);
      TProfile fresh(p.Text());
      for (const char* s2 : {"A", "B", "C", "D"})
        for (const char* k2 : names) ASSERT_EQ(p.ReadString(s2, k2), fresh.ReadString(s2, k2)) << p.Text();
      // The next write must land at the same place either way.
      TProfile a = p, b = fresh;
      a.WriteString(section, "k", "next");
      b.WriteString(section, "k", "next");
      ASSERT_EQ(a.Text(), b.Text());
    }
  }
  EXPECT_EQ(p.ReadString("a", "k"), "1");
  EXPECT_TRUE(p.ReadString("d", "PAD").has_value());  // written as " pad " into " D "
  EXPECT_EQ(p.Text().find("[ D ]"), p.Text().rfind("[ D ]"));
}

}  // namespace
}  // namespace kq
