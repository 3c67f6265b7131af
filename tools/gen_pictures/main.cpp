// Writes the default picture pack into <out>/GRP.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "gen_pictures/pack.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: kq_gen_pictures OUTPUT_FOLDER [--builtin-font]\n");
    return 2;
  }
  kq::gen::Fonts fonts;
  if (argc > 2 && std::string(argv[2]) == "--builtin-font") fonts.UseBuiltIn();
  int threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
  return kq::gen::BuildPack(fonts, (std::filesystem::path(argv[1]) / "GRP").string(), threads) ? 0 : 1;
}
