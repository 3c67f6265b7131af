#include "app/load_assets.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "app/audio_glue.h"
#include "config/config_file.h"
#include "config/hiscore.h"
#include "core/context.h"
#include "engine/errors.h"
#include "engine/paths.h"
#include "engine/ttf_text_renderer.h"
#include "media/image_assets.h"
#include "media/music_list.h"
#include "screens/option_screens.h"
#include "screens/screens.h"

namespace kq {

namespace {

struct TPictureAsset {
  const char* Name;
  bool Transparent;
  uint32_t Key;
  int Columns;
  int Rows;
};

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;

// The start-up pictures in loading order, with their keys and frame layouts.
constexpr TPictureAsset kPictures[] = {
    {"DUMMY", false, kBlack, 0, 0},       {"TITLE", false, kBlack, 0, 0},
    {"OPENING", false, kBlack, 0, 0},     {"ZANTHIE", false, kBlack, 0, 0},
    {"SIGHT", true, kBlack, 2, 1},        {"COVER", false, kBlack, 0, 0},
    {"SHOOTER", true, kBlack, 2, 0},      {"SHOT1", true, kWhite, 0, 0},
    {"SHOT2", true, kWhite, 0, 0},        {"CHAINGAUGE", false, kBlack, 0, 0},
    {"POWERGAUGE", false, kBlack, 0, 0},  {"RAINBOWGAUGE", false, kBlack, 0, 0},
    {"NUM_COMBO", true, kBlack, 10, 0},   {"BACK1", true, kBlack, 0, 0},
    {"BACK2", true, kBlack, 0, 0},        {"TITLE_CURSOR", true, kBlack, 14, 1},
    {"RULE", false, kBlack, 0, 0},        {"RAINBOW", true, kBlack, 0, 0},
    {"STR_COMBO", true, kBlack, 0, 0},    {"STR_1P", true, kBlack, 0, 0},
    {"STR_2P", true, kBlack, 0, 0},       {"STR_TITLE", true, kBlack, 1, 5},
    {"STR_LEVEL", true, kBlack, 0, 0},    {"STR_POKER", true, kBlack, 0, 7},
    {"STR_RAINBOW", true, kBlack, 0, 0},  {"STR_FINISH", true, kBlack, 0, 0},
    {"STR_WIN", true, kBlack, 0, 0},      {"STR_LOSE", true, kBlack, 0, 0},
    {"STR_RETRY", true, kBlack, 0, 0},    {"STR_YES", true, kBlack, 0, 0},
    {"STR_NO", true, kBlack, 0, 0},       {"STR_BONUS", true, kBlack, 0, 0},
    {"STR_PUSHKEY", true, kBlack, 0, 0},  {"STR_RANKORDER", true, kBlack, 4, 0},
    {"STR_HISCORE", true, kBlack, 0, 0},  {"STR_SCORENAME", true, kBlack, 0, 0},
    {"STR_GAMEOVER", true, kBlack, 0, 0}, {"STR_ENDING", true, kBlack, 0, 0},
    {"STR_EXLV", true, kBlack, 0, 0},     {"ATTACK1P", true, kBlack, 0, 0},
    {"ATTACK2P", true, kBlack, 0, 0},     {"DAMAGE1P", true, kBlack, 0, 0},
    {"DAMAGE2P", true, kBlack, 0, 0},     {"FONT1", true, kBlack, 8, 8},
    {"FONT2", true, kBlack, 8, 8},        {"FONT_SCORE", true, kBlack, 10, 0},
    {"FONT_SCORE2", true, kBlack, 10, 0}, {"POKER_RIM1", true, kBlack, 5, 0},
    {"POKER_RIM2", true, kBlack, 0, 0},   {"BLOCK_N", false, kBlack, 0, 0},
};

void LoadRequired(GameContext& g, const TPictureAsset& p) {
  std::string file = g.DataPath(std::string("GRP\\") + p.Name + ".PNG");
  if (!LoadImageAsset(g.DXImageList1, p.Name, file, p.Columns, p.Rows, p.Transparent, p.Key))
    throw EResorceLoadError(file);
}

void CutBlockStrips(GameContext& g, const char* sheet) {
  for (int i = 0; i <= 6; ++i) {
    std::string name = std::string(sheet) + std::to_string(i);
    CutImageAsset(g.DXImageList1, name, sheet, 0, 32 * i, 160, 32, 5, 0, true, kBlack);
  }
}

// Moves the picture of an item into a texture and removes the item.
void TakeTexture(GameContext& g, const std::string& item, TImage& tex) {
  if (TPictureItem* it = g.DXImageList1.Find(item)) {
    tex.SetPixels(it->Image.Pixels());
    g.DXImageList1.Remove(item);
  }
}

}  // namespace

void ResolveUserFiles(GameContext& g, const TUserEnv& env) {
  const bool portable = !g.PackPath.empty() && g.PackPath == g.AppPath;
  g.UserFiles =
      ResolveUserFiles(g.AppPath, g.ExeBaseName, env, portable ? TCopyKind::Portable : TCopyKind::Installed);
}

std::string IniPath(const GameContext& g) {
  if (g.UserFiles.Ini.WritePlaces.empty()) return ResolvePath(g.AppPath, g.ExeBaseName + ".INI");
  return g.UserFiles.Ini.Chosen();
}

std::string HiScorePath(const GameContext& g) {
  if (g.UserFiles.Hi.WritePlaces.empty()) return ResolvePath(g.AppPath, g.ExeBaseName + ".HI");
  return g.UserFiles.Hi.Chosen();
}

std::string HiScoreFolder(const GameContext& g) {
  const std::string path = HiScorePath(g);
  return path.substr(0, path.rfind('/') + 1);
}

std::vector<std::string> PackCandidates(const std::string& appPath, const std::string& exeFolder,
                                        const std::string& dataFromBin, const TUserEnv& env) {
  std::vector<std::string> out{appPath};
  if (!dataFromBin.empty()) {
    std::string installed = std::filesystem::path(exeFolder + dataFromBin).lexically_normal().string();
    if (installed.back() != '/') installed += '/';
    out.push_back(installed);
  }
  for (const std::string& d : SystemDataFolders(env)) out.push_back(d);
  return out;
}

void FindAssetPack(GameContext& g, const std::vector<std::string>& candidates) {
  g.PackFoldersSearched = candidates;
  g.PackPath.clear();
  for (const std::string& dir : candidates) {
    // The pictures decide: sounds and music are optional.
    const std::string grp = ResolvePath(dir, "GRP");
    struct stat st {};
    if (::stat(grp.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      g.PackPath = dir;
      return;
    }
  }
}

void BuildBgmList(GameContext& g) {
  g.BgmList = kq::BuildBgmList(g.PackFolder());
}

void BuildTextures(GameContext& g) {
  TImageList& list = g.DXImageList1;
  const struct {
    const char* Sheet;
    const char* File;
    const char* Cell;
    std::array<std::array<TImage, 5>, 7>* Tex;
  } sheets[] = {{"D3D_BLOCK_N", "GRP\\BLOCK_N.PNG", "D3D_BLOCK2_N", &g.BlockTexN},
                {"D3D_BLOCK_C", "GRP\\BLOCK_C.PNG", "D3D_BLOCK2_C", &g.BlockTexC}};
  for (const auto& s : sheets) {
    if (!LoadImageAsset(list, s.Sheet, g.DataPath(s.File), 0, 0, false, kBlack))
      throw EResorceLoadError(g.DataPath(s.File));
    for (int i = 0; i <= 6; ++i)
      for (int j = 0; j <= 4; ++j)
        CutImageAsset(list, s.Cell + std::to_string(i) + std::to_string(j), s.Sheet, 32 * j, 32 * i, 32, 32,
                      0, 0, true, kBlack);
  }
  const struct {
    const char* Item;
    const char* File;
    TImage* Tex;
  } singles[] = {{"D3D_DUST", "GRP\\DUST.PNG", &g.DustTex},
                 {"D3D_STR_GAMEOVER", "GRP\\STR_GAMEOVER.PNG", &g.GameOverTex},
                 {"D3D_RAINBOW", "GRP\\RAINBOW.PNG", &g.RainbowTex}};
  for (const auto& s : singles)
    if (!LoadImageAsset(list, s.Item, g.DataPath(s.File), 0, 0, false, kBlack))
      throw EResorceLoadError(g.DataPath(s.File));
  for (int i = 0; i <= 6; ++i) {
    for (int j = 0; j <= 4; ++j) {
      std::string ij = std::to_string(i) + std::to_string(j);
      TakeTexture(g, "D3D_BLOCK2_N" + ij, g.BlockTexN[size_t(i)][size_t(j)]);
      TakeTexture(g, "D3D_BLOCK2_C" + ij, g.BlockTexC[size_t(i)][size_t(j)]);
    }
  }
  for (const auto& s : singles) TakeTexture(g, s.Item, *s.Tex);
}

void LoadAssets(GameContext& g, uint64_t seed) {
  g.SeedProgram(seed);
  g.BgmList.clear();
  // A level table beside the program overrides the pack's.
  std::string levelDef = ResolvePath(g.AppPath, "LevelUp.def");
  if (!FileExists(levelDef)) levelDef = g.DataPath("LevelUp.def");
  TUserFiles& u = g.UserFiles;
  LoadConfig(u.Ini.ReadPath.empty() ? IniPath(g) : u.Ini.ReadPath, levelDef, g.Config, g.LevelTable);
  u.StartSettings = g.Config;
  SetLanguage(g.Config.Language, g.LocaleFolders);
  if (g.Platform) g.Platform->SetVsync(g.Config.WaitVsync);
  g.HiScoreTable = THiScoreTable{};
  LoadHiScores(u.Hi.ReadPath.empty() ? HiScorePath(g) : u.Hi.ReadPath, g.HiScoreTable);
  ApplyKeyAssign(g.DXInput1, g.DXInput2, g.Config);
  g.DXInput1.PadNo = kNoPad;
  g.DXInput2.PadNo = kNoPad;
  if (g.Platform) {
    g.DXInput1.PadNo = ChoosePad(g.Platform->Input(), g.Config.JoyName1P);
    g.DXInput2.PadNo = ChoosePad(g.Platform->Input(), g.Config.JoyName2P);
  }
  for (const auto& p : kPictures) LoadRequired(g, p);
  CutBlockStrips(g, "BLOCK_N");
  LoadRequired(g, {"BLOCK_C", false, kBlack, 0, 0});
  CutBlockStrips(g, "BLOCK_C");
  char page[32];
  for (int n = 1; n <= g.Config.EndingPageNum; ++n) {
    std::snprintf(page, sizeof page, "GRP\\ENDING%.2d.PNG", n);
    if (!g.DataFileExists(page)) throw EResorceLoadError(g.DataPath(page));
  }
  LoadSoundAssets(g);
  CreateMusicPlayer(g);
  BuildBgmList(g);
  BuildOptionItems(g);
  {
    std::unique_ptr<TTtfTextRenderer> list = TTtfTextRenderer::OpenListFont(kListFontPoints);
    std::unique_ptr<TTtfTextRenderer> title =
        list ? TTtfTextRenderer::OpenFile(list->File(), kTitleFontPoints) : nullptr;
    MeasureOptionFont(g, std::move(list), std::move(title));
  }
  BuildTextures(g);
  // Upload every picture now so the first frames do not stall.
  if (Canvas* c = g.ScreenCanvas()) {
    for (int i = 0; i < g.DXImageList1.Count(); ++i) c->Prepare(g.DXImageList1[i].Image);
    for (auto* set : {&g.BlockTexN, &g.BlockTexC})
      for (auto& kind : *set)
        for (auto& t : kind) c->Prepare(t);
  }
}

}  // namespace kq
