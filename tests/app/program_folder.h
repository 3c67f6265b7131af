#pragma once
// A throw-away program folder for running the real program headless: the generated pack is
// linked in (or copied, for tests that break pictures), settings and scores land here.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace kq::test {

class TProgramFolder {
 public:
  // copyPictures: GRP is a private copy the test may change; otherwise a link to the pack.
  explicit TProgramFolder(bool copyPictures) {
    namespace fs = std::filesystem;
    std::string templ = (fs::temp_directory_path() / "kqrunXXXXXX").string();
    if (::mkdtemp(templ.data())) dir = templ;
    const fs::path bin(KQ_BIN_DIR);
    for (const char* sub : {"GRP", "SND", "VOICE", "BGM"}) {
      if (!fs::exists(bin / sub)) continue;
      if (copyPictures && std::string(sub) == "GRP")
        fs::copy(bin / sub, dir / sub, fs::copy_options::recursive);
      else
        fs::create_directory_symlink(bin / sub, dir / sub);
    }
  }
  ~TProgramFolder() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  TProgramFolder(const TProgramFolder&) = delete;
  TProgramFolder& operator=(const TProgramFolder&) = delete;

  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(dir / name, std::ios::binary) << text;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(dir / name, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::string Path(const std::string& name) const { return (dir / name).string(); }

  std::filesystem::path dir;
};

}  // namespace kq::test
