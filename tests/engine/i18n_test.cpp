// The language of the texts: the choice from the settings and the locale, the Japanese catalogue
// built from po/ja.po, and English whenever the catalogue is missing or broken.
#include "engine/i18n.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace kq {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kBuilt{std::string(KQ_BIN_DIR) + "/locale"};

class LanguageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* v : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
      if (const char* old = std::getenv(v)) saved_.emplace_back(v, old);
      ::unsetenv(v);
    }
    dir_ = fs::temp_directory_path() / ("kq_i18n_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    SetLanguage(TLanguage::English, {});
    for (const char* v : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) ::unsetenv(v);
    for (auto& [k, v] : saved_) ::setenv(k.c_str(), v.c_str(), 1);
    fs::remove_all(dir_);
  }
  // A catalogue folder holding ja/LC_MESSAGES/kq001.mo with these bytes.
  std::string CatalogueWith(const std::string& bytes) {
    fs::path d = dir_ / "locale" / "ja" / "LC_MESSAGES";
    fs::create_directories(d);
    std::ofstream(d / "kq001.mo", std::ios::binary) << bytes;
    return (dir_ / "locale").string();
  }
  std::vector<std::pair<std::string, std::string>> saved_;
  fs::path dir_;
};

TEST_F(LanguageTest, LanguageKeysParseAndUnknownOnesMeanAuto) {
  EXPECT_EQ(ParseLanguage("en"), TLanguage::English);
  EXPECT_EQ(ParseLanguage("JA"), TLanguage::Japanese);
  EXPECT_EQ(ParseLanguage(" ja "), TLanguage::Japanese);
  EXPECT_EQ(ParseLanguage("auto"), TLanguage::Auto);
  for (const char* other : {"", "fr", "japanese", "ja_JP", "e n", "1"})
    EXPECT_EQ(ParseLanguage(other), TLanguage::Auto) << other;
  for (TLanguage l : {TLanguage::Auto, TLanguage::English, TLanguage::Japanese})
    EXPECT_EQ(ParseLanguage(LanguageKey(l)), l);
}

TEST_F(LanguageTest, TheLocaleChoosesJapaneseOnlyForJa) {
  EXPECT_EQ(LocaleLanguage(), TLanguage::English);  // nothing set: the C locale
  ::setenv("LANG", "ja_JP.UTF-8", 1);
  EXPECT_EQ(LocaleLanguage(), TLanguage::Japanese);
  ::setenv("LANG", "ja", 1);
  EXPECT_EQ(LocaleLanguage(), TLanguage::Japanese);
  ::setenv("LANG", "jv_ID.UTF-8", 1);  // Javanese starts with j too
  EXPECT_EQ(LocaleLanguage(), TLanguage::English);
  ::setenv("LANG", "de_DE.UTF-8", 1);
  EXPECT_EQ(LocaleLanguage(), TLanguage::English);
  // LC_ALL beats LC_MESSAGES beats LANG.
  ::setenv("LC_MESSAGES", "ja_JP.UTF-8", 1);
  EXPECT_EQ(LocaleLanguage(), TLanguage::Japanese);
  ::setenv("LC_ALL", "en_GB.UTF-8", 1);
  EXPECT_EQ(LocaleLanguage(), TLanguage::English);
  // LANGUAGE lists preferences, first one wins, but not under the C locale.
  ::setenv("LANGUAGE", "ja:en", 1);
  EXPECT_EQ(LocaleLanguage(), TLanguage::Japanese);
  ::setenv("LC_ALL", "C", 1);
  EXPECT_EQ(LocaleLanguage(), TLanguage::English);
}

TEST_F(LanguageTest, JapaneseShowsTheJapaneseTextsByteForByte) {
  EXPECT_EQ(SetLanguage(TLanguage::Japanese, kBuilt), TLanguage::Japanese);
  EXPECT_STREQ(Tr(" Sight up"), " カーソル移動↑");
  EXPECT_STREQ(Tr(" Colour-down shot"), " ブロック変化弾逆方向");
  EXPECT_STREQ(Tr(" Raise a line"), " ライン上昇");
  EXPECT_EQ(Tr(std::string("A file the game needs to start is missing")),
            "SystemDataロードエラー。起動に必要なファイルが見つかりません");
  // A text without a translation stays as it is.
  EXPECT_STREQ(Tr("no such text in any catalogue"), "no such text in any catalogue");
  EXPECT_EQ(SetLanguage(TLanguage::English, kBuilt), TLanguage::English);
  EXPECT_STREQ(Tr(" Sight up"), " Sight up");
}

TEST_F(LanguageTest, AutoFollowsTheLocale) {
  ::setenv("LANG", "ja_JP.UTF-8", 1);
  EXPECT_EQ(SetLanguage(TLanguage::Auto, kBuilt), TLanguage::Japanese);
  EXPECT_STREQ(Tr(" Erase shot"), " ブロック消去弾");
  ::setenv("LANG", "en_US.UTF-8", 1);
  EXPECT_EQ(SetLanguage(TLanguage::Auto, kBuilt), TLanguage::English);
  EXPECT_STREQ(Tr(" Erase shot"), " Erase shot");
  // The setting overrides the locale both ways.
  EXPECT_EQ(SetLanguage(TLanguage::Japanese, kBuilt), TLanguage::Japanese);
  ::setenv("LANG", "ja_JP.UTF-8", 1);
  EXPECT_EQ(SetLanguage(TLanguage::English, kBuilt), TLanguage::English);
  EXPECT_STREQ(Tr(" Erase shot"), " Erase shot");
}

TEST_F(LanguageTest, AMissingOrBrokenCatalogueFallsBackToEnglish) {
  EXPECT_EQ(SetLanguage(TLanguage::Japanese, {(dir_ / "nowhere").string()}), TLanguage::English);
  EXPECT_STREQ(Tr(" Sight up"), " Sight up");
  EXPECT_EQ(SetLanguage(TLanguage::Japanese, {}), TLanguage::English);
  // A file that is no catalogue, and a cut one: the English text, never an empty one.
  for (std::string bytes : {std::string("not a catalogue at all"), std::string()}) {
    SetLanguage(TLanguage::Japanese, {CatalogueWith(bytes)});
    EXPECT_STREQ(Tr(" Sight up"), " Sight up");
    EXPECT_STREQ(Tr("Keys applied"), "Keys applied");
  }
  std::ifstream good(std::string(KQ_BIN_DIR) + "/locale/ja/LC_MESSAGES/kq001.mo", std::ios::binary);
  std::string whole((std::istreambuf_iterator<char>(good)), std::istreambuf_iterator<char>());
  ASSERT_GT(whole.size(), 64u);
  SetLanguage(TLanguage::Japanese, {CatalogueWith(whole.substr(0, whole.size() / 3))});
  EXPECT_STRNE(Tr(" Sight up"), "");
  // The first folder with a catalogue is the one used.
  fs::remove_all(dir_ / "locale");
  EXPECT_EQ(SetLanguage(TLanguage::Japanese, {(dir_ / "locale").string(), kBuilt[0]}), TLanguage::Japanese);
  EXPECT_STREQ(Tr(" Sight up"), " カーソル移動↑");
}

TEST(SubstTest, ReplacesEveryPlaceholderAndLeavesTheRest) {
  EXPECT_EQ(Subst("{a} and {a}", "{a}", "x"), "x and x");
  EXPECT_EQ(Subst("{a}", "{a}", "{a}{a}"), "{a}{a}");  // the value is not searched again
  EXPECT_EQ(Subst("no key", "{a}", "x"), "no key");
  EXPECT_EQ(Subst("{b}", "", "x"), "{b}");
}

}  // namespace
}  // namespace kq
