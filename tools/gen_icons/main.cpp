// Writes the game's icon: GRP/ICON.PNG into the pack (the window icon) and the hicolor theme
// icons (PNG sizes and the scalable SVG) for installing.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "gen_pictures/icon.h"
#include "media/png_image.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: kq_gen_icons PACK_FOLDER THEME_FOLDER APP_ID\n");
    return 2;
  }
  namespace fs = std::filesystem;
  const fs::path pack = argv[1], theme = argv[2];
  const std::string id = argv[3];
  std::error_code ec;
  fs::create_directories(pack / "GRP", ec);
  bool ok = kq::WritePngFile((pack / "GRP" / "ICON.PNG").string(), kq::gen::RenderIcon(64), true);
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const std::string n = std::to_string(size);
    const fs::path dir = theme / (n + "x" + n) / "apps";
    fs::create_directories(dir, ec);
    ok = kq::WritePngFile((dir / (id + ".png")).string(), kq::gen::RenderIcon(size), true) && ok;
  }
  const fs::path svgDir = theme / "scalable" / "apps";
  fs::create_directories(svgDir, ec);
  std::ofstream svg(svgDir / (id + ".svg"), std::ios::binary | std::ios::trunc);
  svg << kq::gen::IconSvg();
  ok = bool(svg) && ok;
  if (!ok) std::fprintf(stderr, "kq_gen_icons: cannot write the icons\n");
  return ok ? 0 : 1;
}
