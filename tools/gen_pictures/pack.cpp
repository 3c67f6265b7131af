#include "gen_pictures/pack.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <system_error>
#include <thread>

#include "media/png_image.h"

namespace kq::gen {

const PackPicture* Pack::Find(const std::string& fileName) const {
  for (const PackPicture& p : items_)
    if (p.FileName == fileName) return &p;
  return nullptr;
}

namespace {

using Maker = void (*)(Pack&);
// Slowest first, so two workers finish together.
constexpr Maker kMakers[] = {MakeScreens,    MakeEndings, MakeBackgrounds, MakeBoards,
                             MakeCharacters, MakeHud,     MakeBlocks,      MakeGlyphs};

}  // namespace

void MakePack(Pack& p) {
  for (Maker m : kMakers) m(p);
}

bool BuildPack(Fonts& fonts, const std::string& folder, int threads) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  std::atomic<size_t> next{0};
  std::atomic<bool> ok{true};
  auto work = [&]() {
    for (size_t i = next++; i < std::size(kMakers); i = next++) {
      Pack part(fonts);
      kMakers[i](part);
      if (!WritePack(part, folder)) ok = false;
    }
  };
  std::vector<std::thread> pool;
  for (int t = 1; t < threads; ++t) pool.emplace_back(work);
  work();
  for (std::thread& t : pool) t.join();
  return ok;
}

bool WritePack(const Pack& p, const std::string& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    std::fprintf(stderr, "kq_gen_pictures: cannot create %s: %s\n", folder.c_str(), ec.message().c_str());
    return false;
  }
  for (const PackPicture& pic : p.Items()) {
    std::string path = (std::filesystem::path(folder) / pic.FileName).string();
    if (!WritePngFile(path, pic.Picture)) {
      std::fprintf(stderr, "kq_gen_pictures: cannot write %s\n", path.c_str());
      return false;
    }
  }
  return true;
}

}  // namespace kq::gen
