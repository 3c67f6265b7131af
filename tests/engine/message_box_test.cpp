// The message boxes: the exact bytes handed to the box, and the box drawn in the game window.
#include <SDL.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/sdl_platform.h"
#include "engine/ttf_text_renderer.h"
#include "engine/utf8.h"

namespace kq {
namespace {

TEST(ValidUtf8, KeepsWellFormedTextAndReplacesEveryBadByte) {
  EXPECT_EQ(ValidUtf8("kq001.INI に書き込めません"), "kq001.INI に書き込めません");
  EXPECT_EQ(ValidUtf8("\xF0\x9F\x8E\xAE ok"), "\xF0\x9F\x8E\xAE ok");  // four bytes
  // A Latin-1 file name, a lone continuation byte, a cut sequence at the end.
  EXPECT_EQ(ValidUtf8("caf\xE9/x"), "caf\xEF\xBF\xBD/x");
  EXPECT_EQ(ValidUtf8("\x80"), "\xEF\xBF\xBD");
  EXPECT_EQ(ValidUtf8("a\xE3\x81"), "a\xEF\xBF\xBD\xEF\xBF\xBD");
  // Overlong '/', a UTF-16 surrogate, a value above U+10FFFF.
  EXPECT_EQ(ValidUtf8("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(ValidUtf8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(ValidUtf8("\xF4\x90\x80\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Utf8PrefixLength, NeverCutsACharacter) {
  const std::string s = "aに";  // 1 + 3 bytes
  EXPECT_EQ(Utf8PrefixLength(s, 1), 1u);
  EXPECT_EQ(Utf8PrefixLength(s, 2), 1u);
  EXPECT_EQ(Utf8PrefixLength(s, 3), 1u);
  EXPECT_EQ(Utf8PrefixLength(s, 4), 4u);
  EXPECT_EQ(Utf8PrefixLength(s, 9), 4u);
}

// A windowed platform on SDL's dummy video driver.
std::unique_ptr<SdlPlatform> Windowed(TMessageBoxHook hook) {
  PlatformOptions po;
  po.Vsync = false;
  po.MessageBox = std::move(hook);
  return std::make_unique<SdlPlatform>(po);
}

TEST(MessageBox, HandsOverTheTextAsUtf8Bytes) {
  std::vector<TMessageBoxRequest> seen;
  auto p = Windowed([&](const TMessageBoxRequest& r) {
    seen.push_back(r);
    return 1;
  });
  p->ShowError("/home/caf\xE9/kq001.INI に書き込めません: Permission denied");
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].Title, "KQ001");
  // The exact bytes: "に書き込めません" in UTF-8, the Latin-1 byte as U+FFFD.
  EXPECT_EQ(seen[0].Text,
            "/home/caf\xEF\xBF\xBD/kq001.INI "
            "\xE3\x81\xAB\xE6\x9B\xB8\xE3\x81\x8D\xE8\xBE\xBC\xE3\x82\x81\xE3\x81\xBE\xE3\x81\x9B\xE3\x82\x93"
            ": Permission denied");
  EXPECT_EQ(seen[0].Buttons, std::vector<std::string>{"OK"});

  EXPECT_FALSE(p->AskYesNo("このまま強制終了しますか？"));  // the hook answered button 1, No
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].Text, "このまま強制終了しますか？");
  EXPECT_EQ(seen[1].Buttons, (std::vector<std::string>{"Yes", "No"}));
}

void PushKey(SDL_Scancode sc) {
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.keysym.scancode = sc;
  SDL_PushEvent(&e);
}

TEST(MessageBox, TheGameWindowBoxAnswersReturnEscAndTheArrowKeys) {
  if (!TTtfTextRenderer::Open({{"sans-serif", false}}, 11)) GTEST_SKIP() << "no TrueType font";
  auto p = Windowed({});
  PushKey(SDL_SCANCODE_RETURN);
  EXPECT_TRUE(p->AskYesNo("はい？"));
  PushKey(SDL_SCANCODE_ESCAPE);
  EXPECT_FALSE(p->AskYesNo("はい？"));
  PushKey(SDL_SCANCODE_RIGHT);
  PushKey(SDL_SCANCODE_RETURN);
  EXPECT_FALSE(p->AskYesNo("はい？"));
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  EXPECT_FALSE(p->AskYesNo("closing the window is No"));
  // The box drew its text: the frame is not all one colour.
  PushKey(SDL_SCANCODE_RETURN);
  p->ShowError(std::string(400, 'W') + "\n二行目");  // long lines wrap instead of running off
  Bitmap frame = p->ReadFrame();
  int bright = 0;
  for (uint32_t px : frame.Pixels) bright += (px & 0xFFFFFF) == 0xFFFFFF;
  EXPECT_GT(bright, 100);
}

}  // namespace
}  // namespace kq
