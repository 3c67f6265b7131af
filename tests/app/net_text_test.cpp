// The network's English messages on screen in the player's language: whole, with a detail, a
// message inside a message, and texts it does not know (a rival's own words) left alone.
#include "app/net_text.h"

#include <gtest/gtest.h>

#include "engine/i18n.h"

namespace kq {
namespace {

const std::vector<std::string> kBuilt{std::string(KQ_BIN_DIR) + "/locale"};

struct NetTextTest : ::testing::Test {
  void TearDown() override { SetLanguage(TLanguage::English, {}); }
};

TEST_F(NetTextTest, EnglishStaysAsItWas) {
  SetLanguage(TLanguage::English, kBuilt);
  for (const char* s :
       {"rival left", "no path to the host (ABC234)", "the match server: the match server is full",
        "port 7701 is in use", "gone fishing", ""})
    EXPECT_EQ(NetText(s), s);
}

TEST_F(NetTextTest, JapaneseTranslatesTheMessageAndKeepsItsDetail) {
  ASSERT_EQ(SetLanguage(TLanguage::Japanese, kBuilt), TLanguage::Japanese);
  EXPECT_EQ(NetText("rival left"), "相手が退出しました");
  EXPECT_EQ(NetText("no path to the host (ABC234)"), "ホストへの経路がありません (ABC234)");
  EXPECT_EQ(NetText("port 7701 is in use"), "ポート 7701 は使用中です");
  // The longer beginning wins over "no answer from ".
  EXPECT_EQ(NetText("no answer from the match server at 192.0.2.1:7700"),
            "マッチサーバー 192.0.2.1:7700 から応答がありません");
  EXPECT_EQ(NetText("no answer from 192.0.2.1:7701"), "192.0.2.1:7701 から応答がありません");
  // A message inside a message.
  EXPECT_EQ(NetText("the match server: unknown or expired invite code"),
            "マッチサーバー: 不明または期限切れの招待コードです");
  // Nothing to put in the detail, or an unknown text: as it came.
  EXPECT_EQ(NetText("port  is in use"), "port  is in use");
  EXPECT_EQ(NetText("no answer from "), "no answer from ");
  EXPECT_EQ(NetText("gone fishing"), "gone fishing");
}

}  // namespace
}  // namespace kq
