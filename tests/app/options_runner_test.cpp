// The option screens in the real program (headless runner): what OK leaves in the INI file at
// exit, a rebound key in play, pad capture through a virtual pad, and the drawn screens.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/program_folder.h"
#include "engine/bitmap.h"
#include "engine/ttf_text_renderer.h"
#include "media/png_image.h"
#include "screens/option_screens.h"

namespace kq {
namespace {

namespace fs = std::filesystem;

constexpr int kReturn = 13, kEsc = 27, kDown = 40, kRight = 39, kLeft = 37, kAlt = 18;

// An input script built tap by tap; each tap holds a key for one tick and leaves two.
class Script {
 public:
  Script& Tap(int vk, int times = 1) {
    for (int i = 0; i < times; ++i) {
      text_ << t_ << " down " << vk << "\n" << t_ + 1 << " up " << vk << "\n";
      t_ += 3;
    }
    return *this;
  }
  // Alt held, Return pressed and released, Alt released.
  Script& AltReturn() {
    text_ << t_ << " down " << kAlt << "\n"
          << t_ + 1 << " down " << kReturn << "\n"
          << t_ + 3 << " up " << kReturn << "\n"
          << t_ + 4 << " up " << kAlt << "\n";
    t_ += 6;
    return *this;
  }
  Script& Wait(int ticks) {
    t_ += ticks;
    return *this;
  }
  Script& Button(int pad, int button) {
    text_ << t_ << " pad" << pad << " button " << button << " down\n"
          << t_ + 1 << " pad" << pad << " button " << button << " up\n";
    t_ += 3;
    return *this;
  }
  Script& Attach(int pad, const std::string& name) {
    text_ << t_ << " pad" << pad << " attach " << name << "\n";
    t_ += 2;
    return *this;
  }
  // A controller SDL maps by itself (headless "controller" event) and its buttons by name.
  Script& Controller(int pad, const std::string& name) {
    text_ << t_ << " pad" << pad << " controller " << name << "\n";
    t_ += 2;
    return *this;
  }
  Script& Press(int pad, const std::string& button) {
    text_ << t_ << " pad" << pad << " press " << button << " down\n"
          << t_ + 1 << " pad" << pad << " press " << button << " up\n";
    t_ += 3;
    return *this;
  }
  // Title item 4, the options.
  Script& ToOptions() { return Tap(kDown, 4).Tap(kReturn); }
  int Now() const { return t_; }
  std::string Text() const { return text_.str(); }

 private:
  std::ostringstream text_;
  int t_ = 5;
};

class OptionsRunnerTest : public ::testing::Test {
 protected:
  test::TProgramFolder folder{false};
  const fs::path& dir = folder.dir;
  void Write(const std::string& name, const std::string& text) { folder.Write(name, text); }
  std::string Read(const std::string& name) { return folder.Read(name); }
  std::string Path(const std::string& name) { return folder.Path(name); }
  // Runs the script for `frames` ticks; extra arguments (shots) follow.
  void Run(const Script& s, int frames, const std::string& extra = "") {
    Write("in.txt", s.Text());
    // An English desktop unless the settings say otherwise, whatever the machine's locale.
    std::string cmd = std::string("LANGUAGE= LC_MESSAGES= LC_ALL=C.UTF-8 SDL_AUDIODRIVER=dummy ") +
                      KQ_BIN_DIR + "/kq001 --headless --seed 1 --app-path " + dir.string() + " --frames " +
                      std::to_string(frames) + " --input " + Path("in.txt") + " --dump " + Path("dump.json") +
                      " " + extra + " > " + Path("stdout.txt") + " 2> " + Path("stderr.txt");
    int rc = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 0) << Read("stderr.txt");
  }
  // The value of key in [section] of the INI written at exit ("" when absent).
  std::string Ini(const std::string& section, const std::string& key) {
    std::istringstream in(Read("kq001.INI"));
    std::string line, current;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.size() > 2 && line.front() == '[') {
        current = line.substr(1, line.size() - 2);
      } else if (current == section && line.rfind(key + "=", 0) == 0) {
        return line.substr(key.size() + 1);
      }
    }
    return "";
  }
  int DumpInt(const std::string& key) {
    std::string json = Read("dump.json");
    size_t at = json.find("\"" + key + "\":");
    return at == std::string::npos ? -9999 : std::atoi(json.c_str() + at + key.size() + 3);
  }
  // Ticks at which the named sound played.
  std::vector<int> SoundTicks(const std::string& name) {
    std::vector<int> out;
    std::string json = Read("dump.json");
    std::regex entry("\\[(\\d+),\"" + name + "\"\\]");
    for (auto it = std::sregex_iterator(json.begin(), json.end(), entry); it != std::sregex_iterator(); ++it)
      out.push_back(std::stoi((*it)[1]));
    return out;
  }
  Bitmap Shot(const std::string& name) { return DecodePngFile(Path(name)); }
  // Row pitch of the lists: the list font's "A" plus 5.
  static int RowPitch() {
    auto font = TTtfTextRenderer::OpenListFont(kListFontPoints);
    return font ? font->Measure("A").H + 5 : 21;
  }
};

int Count(const Bitmap& b, int x0, int y0, int x1, int y1, bool (*want)(uint32_t)) {
  int n = 0;
  for (int y = y0; y < y1 && y < b.Height; ++y)
    for (int x = x0; x < x1 && x < b.Width; ++x)
      if (want(b.At(x, y))) ++n;
  return n;
}
bool Whitish(uint32_t p) {
  return (p >> 16 & 0xFF) > 180 && (p >> 8 & 0xFF) > 180 && (p & 0xFF) > 180;
}
bool Orange(uint32_t p) {
  int r = int(p >> 16 & 0xFF), g = int(p >> 8 & 0xFF), b = int(p & 0xFF);
  return r > 190 && g > 100 && g < 200 && b < 130;
}

TEST_F(OptionsRunnerTest, OkLeavesTheSettingsInTheIniAtExit) {
  Script s;
  s.ToOptions().Tap(kReturn);     // 3D effects off
  s.Tap(kDown, 2).Tap(kRight);    // music off
  s.Tap(kDown, 3).Tap(kReturn);   // advanced mode for player 1
  s.Tap(kDown, 13).Tap(kReturn);  // OK
  s.Wait(3).Tap(kEsc);            // the title's Esc closes the program
  Run(s, s.Now() + 20);
  EXPECT_EQ(DumpInt("screen_state"), 1);
  EXPECT_EQ(Ini("System", "UseDirect3D"), "0");
  EXPECT_EQ(Ini("System", "WaitVsync"), "1");
  EXPECT_EQ(Ini("System", "DisableBgm"), "1");
  EXPECT_EQ(Ini("System", "DisableVoice"), "0");
  EXPECT_EQ(Ini("Status1P", "AdvancedMode"), "1");
  EXPECT_EQ(Ini("Status2P", "AdvancedMode"), "0");
}

TEST_F(OptionsRunnerTest, CancelLeavesTheIniAsItWas) {
  Write("kq001.INI", "[System]\nUseDirect3D=0\nDisableGameOver=1\n[Status2P]\nJoyName=Old Pad\n");
  Script s;
  s.ToOptions().Tap(kReturn);     // 3D effects back on...
  s.Tap(kDown, 9).Tap(kRight);    // player 2's pad: Old Pad -> none
  s.Tap(kDown, 10).Tap(kReturn);  // ...CANCEL
  s.Wait(3).Tap(kEsc);
  Run(s, s.Now() + 20);
  EXPECT_EQ(Ini("System", "UseDirect3D"), "0");
  EXPECT_EQ(Ini("System", "DisableGameOver"), "1");
  EXPECT_EQ(Ini("Status2P", "JoyName"), "Old Pad");
}

TEST_F(OptionsRunnerTest, AltReturnDuringKeyCaptureOnlySwitchesTheDisplay) {
  Script s;
  s.ToOptions().Tap(kDown, 10).Tap(kReturn);  // KEY ASSIGN..
  s.Tap(kDown, 5).Tap(kReturn);               // player 1's erase shot: capturing
  s.Wait(2).AltReturn().Wait(2);
  const int afterSwitch = s.Now() - 1;  // the last tick before the next key
  s.Tap('Q').Wait(2);
  Run(s, s.Now(), "--dump-at " + std::to_string(afterSwitch) + ":" + Path("mid.json"));
  const std::string mid = Read("mid.json");
  EXPECT_NE(mid.find("\"capturing\":true"), std::string::npos) << mid;  // neither Alt nor Return taken
  EXPECT_NE(mid.find("\"full_screen\":true"), std::string::npos);
  EXPECT_EQ(DumpInt("screen_state"), 7);
  const std::string end = Read("dump.json");
  EXPECT_NE(end.find("\"capturing\":false"), std::string::npos);
}

TEST_F(OptionsRunnerTest, ARecapturedKeyActsInPlayAndTheOldOneNoLonger) {
  Script s;
  s.ToOptions().Tap(kDown, 10).Tap(kReturn);  // KEY ASSIGN..
  s.Tap(kDown, 5).Tap(kReturn);               // player 1's erase shot
  s.Wait(2).Tap('Q');
  s.Tap(kDown, 11).Tap(kReturn);        // OK of the key list
  s.Tap(kDown, 8).Tap(kReturn);         // OK of the settings
  s.Tap(kReturn).Wait(5).Tap(kReturn);  // one-player game past the opening
  s.Wait(150);
  const int oldKey = s.Now();
  s.Tap('X').Wait(20);
  const int newKey = s.Now();
  s.Tap('Q').Wait(20);
  Run(s, s.Now());
  EXPECT_EQ(DumpInt("screen_state"), 3);
  EXPECT_EQ(DumpInt("K02"), 'Q');
  std::vector<int> shots = SoundTicks("SHOT");
  ASSERT_EQ(shots.size(), 1u) << Read("dump.json");
  EXPECT_GE(shots[0], newKey);
  EXPECT_GT(newKey, oldKey);
  EXPECT_EQ(Ini("KeyAssign1P", "K02"), "81");
}

TEST_F(OptionsRunnerTest, PadCaptureThroughAVirtualPadStoresTheButtonState) {
  Script s;
  s.Attach(0, "KQ Test Pad");
  s.ToOptions().Tap(kDown, 6).Tap(kRight);  // player 1's pad: KQ Test Pad
  s.Tap(kDown, 5).Tap(kReturn);             // PAD ASSIGN..
  s.Tap(kDown, 4).Tap(kReturn);             // player 1's first action
  s.Button(0, 9);
  s.Tap(kDown, 12).Tap(kReturn);  // OK of the pad list
  s.Tap(kDown, 7).Tap(kReturn);   // OK of the settings
  s.Wait(3).Tap(kEsc);
  Run(s, s.Now() + 20);
  EXPECT_EQ(DumpInt("J01"), 12);
  EXPECT_EQ(Ini("KeyAssign1P", "J01"), "12");
  EXPECT_EQ(Ini("Status1P", "JoyName"), "KQ Test Pad");
  EXPECT_EQ(Read("dump.json").find("\"pads\":[0,16]") != std::string::npos, true) << Read("dump.json");
}

TEST_F(OptionsRunnerTest, JapaneseLabelsAreDrawnOnTheKeyList) {
  Write("kq001.INI", "[System]\nLanguage=ja\n");
  Script s;
  s.ToOptions().Tap(kDown, 10).Tap(kReturn).Wait(4);
  Run(s, s.Now(), "--shot " + std::to_string(s.Now() - 1) + ":" + Path("keys.png"));
  EXPECT_EQ(DumpInt("screen_state"), 7);
  Bitmap b = Shot("keys.png");
  ASSERT_EQ(b.Width, 640);
  // The label column of player 1's eight rows holds text; between a short label and its key
  // there is none.
  const int ch = RowPitch();
  for (int row = 1; row <= 8; ++row) {
    const int y = 68 + row * ch;
    EXPECT_GT(Count(b, 20, y, 200, y + ch, Whitish), 30) << "row " << row;
  }
  EXPECT_EQ(Count(b, 130, 68 + 8 * ch, 210, 68 + 9 * ch, Whitish), 0);
}

TEST_F(OptionsRunnerTest, AControllerPlaysTheMenusAndItsButtonIsCapturedByName) {
  Write("kq001.INI", "[Status1P]\nJoyName=KQ Controller\n");
  Script s;
  s.Controller(0, "KQ Controller");
  // d-pad down four times and Start: the options, with no key touched.
  s.Press(0, "down").Press(0, "down").Press(0, "down").Press(0, "down").Press(0, "start");
  const int inOptions = s.Now();
  s.Tap(kDown, 11).Tap(kReturn);  // PAD ASSIGN..
  s.Tap(kDown, 4).Tap(kReturn);   // player 1's first action
  s.Press(0, "start");            // Start stays confirm: not taken as the new button
  s.Press(0, "rb");
  s.Tap(kDown, 12).Tap(kReturn);  // OK of the pad list
  s.Tap(kDown, 7).Tap(kReturn);   // OK of the settings
  s.Wait(3).Press(0, "back");     // Back is Esc: the title closes the program
  Run(s, s.Now() + 20, "--dump-at " + std::to_string(inOptions) + ":" + Path("mid.json"));
  EXPECT_NE(Read("mid.json").find("\"screen_state\":6"), std::string::npos) << Read("mid.json");
  EXPECT_EQ(Ini("KeyAssign1P", "J01"), "7");  // RB's state
  EXPECT_EQ(Ini("KeyAssign1P", "J02"), "5");
  EXPECT_NE(Read("dump.json").find("\"pads\":[0,16]"), std::string::npos) << Read("dump.json");
}

TEST_F(OptionsRunnerTest, FullScreenIsRememberedAndTheCommandLineWinsForOneRun) {
  Write("kq001.INI", "[System]\nFullScreen=1\n");
  Script s;
  s.Wait(3);
  Run(s, s.Now());
  EXPECT_NE(Read("dump.json").find("\"full_screen\":true"), std::string::npos);
  Run(s, s.Now(), "--window");
  EXPECT_NE(Read("dump.json").find("\"full_screen\":false"), std::string::npos);
  EXPECT_EQ(Ini("System", "FullScreen"), "1");  // --window changed nothing for later runs
  // Alt+Return switches, and the next start opens the way the player left it.
  Script alt;
  alt.AltReturn().Wait(3);
  Run(alt, alt.Now());
  EXPECT_EQ(Ini("System", "FullScreen"), "0");
  Run(s, s.Now());
  EXPECT_NE(Read("dump.json").find("\"full_screen\":false"), std::string::npos);
  // The options row switches it at OK.
  Script row;
  row.ToOptions().Tap(kDown, 12).Tap(kReturn);  // GENERAL: Full screen ON
  row.Tap(kDown, 6).Tap(kReturn);               // OK
  row.Wait(3);
  Run(row, row.Now());
  EXPECT_NE(Read("dump.json").find("\"full_screen\":true"), std::string::npos) << Read("dump.json");
  EXPECT_EQ(Ini("System", "FullScreen"), "1");
}

TEST_F(OptionsRunnerTest, VolumeAndLanguageRowsReachTheIni) {
  Script s;
  s.ToOptions().Tap(kDown, 13).Tap(kLeft, 3);  // music volume 7
  s.Tap(kDown).Tap(kLeft, 10).Tap(kLeft);      // sound volume 0, and no lower
  s.Tap(kDown).Tap(kReturn);                   // voice volume goes round to 0
  s.Tap(kDown).Tap(kRight, 2);                 // language: auto -> en -> ja
  s.Tap(kDown, 2).Tap(kReturn);                // OK (past the match server)
  s.Wait(3).Tap(kEsc);
  Run(s, s.Now() + 20);
  EXPECT_EQ(Ini("System", "MusicVolume"), "7");
  EXPECT_EQ(Ini("System", "SoundVolume"), "0");
  EXPECT_EQ(Ini("System", "VoiceVolume"), "0");
  EXPECT_EQ(Ini("System", "Language"), "ja");
}

TEST_F(OptionsRunnerTest, APadNameMatchingNothingIsShownAndKept) {
  Write("kq001.INI", "[Status1P]\nJoyName=Ghost Pad\n");
  Script s;
  s.ToOptions().Wait(4);
  const int shot = s.Now() - 1;
  s.Tap(kDown, 18).Tap(kReturn);  // straight to OK
  s.Wait(3).Tap(kEsc);
  Run(s, s.Now() + 20, "--shot " + std::to_string(shot) + ":" + Path("options.png"));
  // "Ghost Pad (not connected)" in the warning colour on player 1's pad row.
  Bitmap b = Shot("options.png");
  const int ch = RowPitch();
  EXPECT_GT(Count(b, 300, 58 + 8 * ch, 540, 58 + 9 * ch, Orange), 40);
  EXPECT_EQ(Count(b, 300, 58 + 7 * ch, 540, 58 + 8 * ch, Orange), 0);
  EXPECT_EQ(Ini("Status1P", "JoyName"), "Ghost Pad");
  EXPECT_EQ(Read("dump.json").find("\"pads\":[16,16]") != std::string::npos, true);
}

}  // namespace
}  // namespace kq
