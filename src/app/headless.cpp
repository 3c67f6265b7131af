#include "app/headless.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace kq {

namespace {

bool ToInt(const std::string& s, long lo, long hi, long& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(s.c_str(), &end, 10);
  if (errno != 0 || *end != 0 || v < lo || v > hi) return false;
  out = v;
  return true;
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> w;
  std::string s;
  while (in >> s) w.push_back(s);
  return w;
}

}  // namespace

bool ParseInputScript(const std::string& text, std::vector<TScriptEvent>& out, std::string& error) {
  std::istringstream in(text);
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (size_t hash = line.find('#'); hash != std::string::npos) line.resize(hash);
    std::vector<std::string> w = Words(line);
    if (w.empty()) continue;
    auto fail = [&](const char* why) {
      error = "line " + std::to_string(lineNo) + ": " + why + ": " + line;
      return false;
    };
    TScriptEvent e;
    long v = 0;
    if (!ToInt(w[0], 1, 0x7FFFFFFF, v)) return fail("bad tick");
    e.Tick = uint32_t(v);
    if (w.size() == 3 && (w[1] == "down" || w[1] == "up")) {
      if (!ToInt(w[2], 1, 255, v)) return fail("bad virtual-key code");
      e.What = w[1] == "down" ? TScriptEvent::KeyDown : TScriptEvent::KeyUp;
      e.A = int(v);
    } else if (w.size() == 2 && w[1] == "close") {
      e.What = TScriptEvent::Close;
    } else if (w.size() >= 3 && w[1] == "clipboard") {
      e.What = TScriptEvent::Clipboard;
      const size_t at = line.find("clipboard") + 9;
      e.Name = line.substr(line.find_first_not_of(" \t", at));
      while (!e.Name.empty() && (e.Name.back() == ' ' || e.Name.back() == '\t' || e.Name.back() == '\r'))
        e.Name.pop_back();
    } else if (w.size() >= 3 && w[1].rfind("pad", 0) == 0) {
      if (!ToInt(w[1].substr(3), 0, 7, v)) return fail("bad pad number");
      e.Pad = int(v);
      const std::string& verb = w[2];
      if ((verb == "attach" || verb == "controller") && w.size() >= 4) {
        e.What = TScriptEvent::PadAttach;
        e.B = verb == "controller";
        size_t at = line.find(verb, line.find(w[1]) + w[1].size()) + verb.size();
        e.Name = line.substr(line.find_first_not_of(" \t", at));
        while (!e.Name.empty() && (e.Name.back() == ' ' || e.Name.back() == '\t' || e.Name.back() == '\r'))
          e.Name.pop_back();
      } else if (verb == "detach" && w.size() == 3) {
        e.What = TScriptEvent::PadDetach;
      } else if (verb == "button" && w.size() == 5 && (w[4] == "down" || w[4] == "up")) {
        if (!ToInt(w[3], 1, 32, v)) return fail("bad button");
        e.What = TScriptEvent::PadButton;
        e.A = int(v);
        e.B = w[4] == "down";
      } else if (verb == "press" && w.size() == 5 && (w[4] == "down" || w[4] == "up")) {
        // Controller buttons by name, numbered as SDL maps a virtual controller.
        static const char* kNames[] = {"a",  "b",  "x",  "y",  "back", "guide", "start", "ls",
                                       "rs", "lb", "rb", "up", "down", "left",  "right"};
        const bool down = w[4] == "down";
        if (w[3] == "lt" || w[3] == "rt") {
          e.What = TScriptEvent::PadAxis;
          e.A = w[3] == "lt" ? 4 : 5;
          e.B = down ? 32767 : 0;
        } else {
          e.What = TScriptEvent::PadButton;
          e.A = 0;
          for (int b = 0; b < int(std::size(kNames)); ++b)
            if (w[3] == kNames[b]) e.A = b + 1;
          if (e.A == 0) return fail("bad controller button");
          e.B = down;
        }
      } else if (verb == "axis" && w.size() == 5) {
        if (!ToInt(w[3], 0, 5, v)) return fail("bad axis");
        e.A = int(v);
        if (!ToInt(w[4], -32768, 32767, v)) return fail("bad axis value");
        e.What = TScriptEvent::PadAxis;
        e.B = int(v);
      } else if (verb == "hat" && w.size() == 4) {
        static const char* dirs[] = {"centre", "up", "down", "left", "right"};
        e.What = TScriptEvent::PadHat;
        e.A = -1;
        for (int d = 0; d < 5; ++d)
          if (w[3] == dirs[d]) e.A = d;
        if (w[3] == "center") e.A = 0;
        if (e.A < 0) return fail("bad hat direction");
      } else {
        return fail("unknown pad event");
      }
    } else {
      return fail("unknown event");
    }
    out.push_back(e);
  }
  return true;
}

bool ParseFieldFile(const std::string& text, std::vector<std::string>& rows, std::string& error) {
  std::istringstream in(text);
  std::string line;
  int lineNo = 0;
  rows.clear();
  while (std::getline(in, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > 8) {
      error = "line " + std::to_string(lineNo) + ": more than 8 columns: " + line;
      return false;
    }
    for (char ch : line) {
      bool ok = ch == '.' || (ch >= '0' && ch <= '5') || (ch >= 'a' && ch <= 'f') || ch == 'h';
      if (!ok) {
        error =
            "line " + std::to_string(lineNo) + ": unexpected character '" + std::string(1, ch) + "': " + line;
        return false;
      }
    }
    if (rows.size() == 13) {
      error = "line " + std::to_string(lineNo) + ": more than 13 lines";
      return false;
    }
    rows.push_back(line);
  }
  return true;
}

bool ReadScriptFile(const std::string& path, std::string& out, std::string& error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (ec || !fs::exists(st)) {
    error = "cannot read the file";
    return false;
  }
  if (fs::is_directory(st)) {
    error = "is a folder, not a file";
    return false;
  }
  if (!fs::is_regular_file(st)) {
    error = "is not a regular file";
    return false;
  }
  const std::string tooLarge = "is larger than " + std::to_string(kMaxScriptFileBytes >> 20) + " MB";
  if (fs::file_size(path, ec) > kMaxScriptFileBytes && !ec) {
    error = tooLarge;
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read the file";
    return false;
  }
  // Read with the cap too: the file may grow after the size check.
  out.clear();
  char chunk[65536];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    out.append(chunk, size_t(in.gcount()));
    if (out.size() > kMaxScriptFileBytes) {
      error = tooLarge;
      return false;
    }
  }
  if (in.bad()) {
    error = "cannot read the file";
    return false;
  }
  return true;
}

}  // namespace kq
