#include "config/config_file.h"

#include <algorithm>
#include <cerrno>
#include <string_view>

#include "config/file_io.h"
#include "config/level_table.h"
#include "engine/errors.h"

namespace kq {

namespace {

constexpr const char* kSystem = "System";

// Missing, unparsable and out-of-range values all give the default; nothing is clamped.
using TSection = TProfile::TSectionView;

int ReadIntRange(const TSection& sec, const char* key, int def, int lo, int hi) {
  auto v = sec.ReadInteger(key);
  return v && *v >= lo && *v <= hi ? *v : def;
}

double ReadRealRange(const TSection& sec, const char* key, double def, double lo, double hi) {
  auto v = sec.ReadReal(key);
  return v && *v >= lo && *v <= hi ? *v : def;
}

int ReadInt(const TSection& sec, const char* key, int def) {
  return sec.ReadInteger(key).value_or(def);
}

bool ReadBool(const TSection& sec, const char* key, bool def) {
  return ReadInt(sec, key, def ? 1 : 0) != 0;
}

void ReadKeys(const TSection& section, TKeyAssign& k) {
  k.UP = ReadInt(section, "UP", k.UP);
  k.DOWN = ReadInt(section, "DOWN", k.DOWN);
  k.LEFT = ReadInt(section, "LEFT", k.LEFT);
  k.RIGHT = ReadInt(section, "RIGHT", k.RIGHT);
  k.K01 = ReadInt(section, "K01", k.K01);
  k.K02 = ReadInt(section, "K02", k.K02);
  k.K03 = ReadInt(section, "K03", k.K03);
  k.K04 = ReadInt(section, "K04", k.K04);
  // One byte each: 260 keeps its low eight bits, 4.
  k.J01 = static_cast<uint8_t>(ReadInt(section, "J01", k.J01));
  k.J02 = static_cast<uint8_t>(ReadInt(section, "J02", k.J02));
  k.J03 = static_cast<uint8_t>(ReadInt(section, "J03", k.J03));
  k.J04 = static_cast<uint8_t>(ReadInt(section, "J04", k.J04));
}

void WriteInt(TProfile& ini, const char* section, const char* key, int v) {
  ini.WriteString(section, key, std::to_string(v));
}

void WriteBool(TProfile& ini, const char* section, const char* key, bool v) {
  ini.WriteString(section, key, v ? "1" : "0");
}

void WriteKeys(TProfile& ini, const char* section, const TKeyAssign& k) {
  WriteInt(ini, section, "UP", k.UP);
  WriteInt(ini, section, "DOWN", k.DOWN);
  WriteInt(ini, section, "LEFT", k.LEFT);
  WriteInt(ini, section, "RIGHT", k.RIGHT);
  WriteInt(ini, section, "K01", k.K01);
  WriteInt(ini, section, "K02", k.K02);
  WriteInt(ini, section, "K03", k.K03);
  WriteInt(ini, section, "K04", k.K04);
  WriteInt(ini, section, "J01", k.J01);
  WriteInt(ini, section, "J02", k.J02);
  WriteInt(ini, section, "J03", k.J03);
  WriteInt(ini, section, "J04", k.J04);
}

}  // namespace

TGameConfig ReadConfig(const TProfile& ini) {
  TGameConfig c;  // starts with every default
  const TSection s = ini.Section(kSystem);
  const TSection p1 = ini.Section("Status1P"), p2 = ini.Section("Status2P");
  c.UseDirect3D = ReadBool(s, "UseDirect3D", c.UseDirect3D);
  c.WaitVsync = ReadBool(s, "WaitVsync", c.WaitVsync);
  c.DisableBgm = ReadBool(s, "DisableBgm", c.DisableBgm);
  c.DisableVoice = ReadBool(s, "DisableVoice", c.DisableVoice);
  c.DisableGameOver = ReadBool(s, "DisableGameOver", c.DisableGameOver);
  c.FullScreen = ReadBool(s, "FullScreen", c.FullScreen);
  c.MusicVolume = ReadIntRange(s, "MusicVolume", kMaxVolume, 0, kMaxVolume);
  c.SoundVolume = ReadIntRange(s, "SoundVolume", kMaxVolume, 0, kMaxVolume);
  c.VoiceVolume = ReadIntRange(s, "VoiceVolume", kMaxVolume, 0, kMaxVolume);
  c.Language = ParseLanguage(s.ReadString("Language").value_or(""));
  c.LineUpInterval = ReadIntRange(s, "LineUpInterval", 5000, 100, 100000);
  c.BlockFallSpeed = ReadIntRange(s, "BlockFallSpeed", 200, 10, 100000);
  c.ChainGaugePeriod = ReadIntRange(s, "ChainGaugePeriod", 6000, 1000, 100000);
  c.LineTrimingPeriod = ReadIntRange(s, "LineTrimingPeriod", 100000, 1000, 1000000);
  c.HazardBlockPeriod = ReadIntRange(s, "HazardBlockPeriod", 12000, 1000, 100000);
  c.BlockStartLine = ReadIntRange(s, "BlockStartLine", 5, 0, 10);
  c.TotalBlockType = ReadIntRange(s, "TotalBlockType", 6, 3, 6);
  c.EraseLowerLimit = ReadIntRange(s, "EraseLowerLimit", 4, 2, 7);
  c.EraseLowerLimitRainbow = ReadIntRange(s, "EraseLowerLimitRainbow", 2, 2, 7);
  c.ShotSpeed = ReadIntRange(s, "ShotSpeed", 777, 10, 10000);
  c.HardBlockRatio = ReadIntRange(s, "HardBlockRatio", 7, 0, 100);
  char hazardKey[] = "HazardBlockNum0";
  for (int n = 3; n <= 7; ++n) {
    hazardKey[sizeof hazardKey - 2] = static_cast<char>('0' + n);
    c.HazardBlockNum[n] = ReadIntRange(s, hazardKey, 10, 1, 99);
  }
  c.HazardBlockChainAdd = ReadIntRange(s, "HazardBlockChainAdd", 2, 0, 100);
  c.PowerIncPerBlock = ReadRealRange(s, "PowerIncPerBlock", 1.0, 0.01, 100);
  c.RainbowIncPerBlock = ReadRealRange(s, "RainbowIncPerBlock", 0.5, 0.01, 100);
  c.BlockCapacity = ReadIntRange(s, "BlockCapacity", 3, 1, 99);
  c.RainbowModePeriod = ReadIntRange(s, "RainbowModePeriod", 17000, 100, 100000);
  c.EndingLv = ReadIntRange(s, "EndingLv", 100, 1, 9999);
  c.EndingExLv = ReadIntRange(s, "EndingExLv", 200, 1, 9999);
  c.ExLvCombo = ReadIntRange(s, "ExLvCombo", 333, 1, 9999);
  c.EndingPageNum = ReadIntRange(s, "EndingPageNum", 5, 1, 99);
  c.EndingInterval = ReadIntRange(s, "EndingInterval", 45000, 1000, 100000);

  c.AdvancedMode1P = ReadBool(p1, "AdvancedMode", c.AdvancedMode1P);
  c.JoyName1P = p1.ReadString("JoyName").value_or("");
  c.AdvancedMode2P = ReadBool(p2, "AdvancedMode", c.AdvancedMode2P);
  c.JoyName2P = p2.ReadString("JoyName").value_or("");
  c.Cpu1P = ReadIntRange(p1, "Cpu", 0, 0, 5);
  c.Cpu2P = ReadIntRange(p2, "Cpu", 0, 0, 5);

  const TSection net = ini.Section("Network");
  c.NetServer = CleanNetText(net.ReadString("Server").value_or(""));
  c.NetInputDelay = ReadIntRange(net, "InputDelay", 0, 0, 3);
  for (int n = 1; n <= kMaxRecentRivals; ++n)
    if (std::string r = CleanNetText(net.ReadString("Rival" + std::to_string(n)).value_or("")); !r.empty())
      c.RecentRivals.push_back(r);

  ReadKeys(ini.Section("KeyAssign1P"), c.KeyAssign1P);
  ReadKeys(ini.Section("KeyAssign2P"), c.KeyAssign2P);
  return c;
}

void WriteConfig(TProfile& ini, const TGameConfig& c) {
  // Only what the option screens can change; tuning keys and DisableGameOver stay as edited.
  WriteBool(ini, kSystem, "UseDirect3D", c.UseDirect3D);
  WriteBool(ini, kSystem, "WaitVsync", c.WaitVsync);
  WriteBool(ini, kSystem, "DisableBgm", c.DisableBgm);
  WriteBool(ini, kSystem, "DisableVoice", c.DisableVoice);
  WriteBool(ini, kSystem, "FullScreen", c.FullScreen);
  WriteInt(ini, kSystem, "MusicVolume", c.MusicVolume);
  WriteInt(ini, kSystem, "SoundVolume", c.SoundVolume);
  WriteInt(ini, kSystem, "VoiceVolume", c.VoiceVolume);
  ini.WriteString(kSystem, "Language", LanguageKey(c.Language));
  WriteBool(ini, "Status1P", "AdvancedMode", c.AdvancedMode1P);
  ini.WriteString("Status1P", "JoyName", c.JoyName1P);
  WriteBool(ini, "Status2P", "AdvancedMode", c.AdvancedMode2P);
  ini.WriteString("Status2P", "JoyName", c.JoyName2P);
  WriteInt(ini, "Status1P", "Cpu", c.Cpu1P);
  WriteInt(ini, "Status2P", "Cpu", c.Cpu2P);
  // [Network] appears once the player set a server or joined someone.
  if (!c.NetServer.empty() || ini.ReadString("Network", "Server"))
    ini.WriteString("Network", "Server", c.NetServer);
  if (c.NetInputDelay != 0 || ini.ReadString("Network", "InputDelay"))
    WriteInt(ini, "Network", "InputDelay", c.NetInputDelay);
  for (int n = 1; n <= kMaxRecentRivals; ++n) {
    const size_t i = size_t(n - 1);
    // Only rivals there are, and the emptied ones of a list that got shorter.
    if (i < c.RecentRivals.size() || ini.ReadString("Network", "Rival" + std::to_string(n)))
      ini.WriteString("Network", "Rival" + std::to_string(n),
                      i < c.RecentRivals.size() ? c.RecentRivals[i] : "");
  }
  WriteKeys(ini, "KeyAssign1P", c.KeyAssign1P);
  WriteKeys(ini, "KeyAssign2P", c.KeyAssign2P);
}

std::string CleanNetText(const std::string& s) {
  if (s.size() > 64) return {};
  for (char ch : s)
    if (ch <= 0x20 || ch >= 0x7f) return {};
  return s;
}

bool ServerAddressOk(const std::string& s) {
  if (CleanNetText(s).empty()) return false;
  std::string host = s, port;
  if (s.front() == '[') {
    const size_t close = s.find(']');
    if (close == std::string::npos || close == 1) return false;
    if (close + 1 < s.size()) {
      if (s[close + 1] != ':') return false;
      port = s.substr(close + 2);
      if (port.empty()) return false;
    }
    host = s.substr(1, close - 1);
  } else if (const size_t colon = s.rfind(':'); colon != std::string::npos) {
    if (s.find(':') != colon) return false;  // IPv6 without brackets: the port cannot be told apart
    host = s.substr(0, colon);
    port = s.substr(colon + 1);
    if (port.empty()) return false;
  }
  if (host.empty() || host.find_first_of("[]") != std::string::npos) return false;
  if (port.empty()) return true;
  if (port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos) return false;
  const int n = std::stoi(port);
  return n >= 1 && n <= 65535;
}

void RememberRival(TGameConfig& c, const std::string& rival) {
  const std::string r = CleanNetText(rival);
  if (r.empty()) return;
  auto& list = c.RecentRivals;
  list.erase(std::remove(list.begin(), list.end(), r), list.end());
  list.insert(list.begin(), r);
  if (list.size() > size_t(kMaxRecentRivals)) list.resize(size_t(kMaxRecentRivals));
}

TGameConfig MergeSettings(const TGameConfig& base, const TGameConfig& ours, const TGameConfig& theirs) {
  TGameConfig out = theirs;
  // The keys WriteConfig writes back: the rest of a file is never ours to change.
  auto take = [&](auto TGameConfig::*field) {
    if (ours.*field != base.*field) out.*field = ours.*field;
  };
  take(&TGameConfig::UseDirect3D);
  take(&TGameConfig::WaitVsync);
  take(&TGameConfig::DisableBgm);
  take(&TGameConfig::DisableVoice);
  take(&TGameConfig::FullScreen);
  take(&TGameConfig::MusicVolume);
  take(&TGameConfig::SoundVolume);
  take(&TGameConfig::VoiceVolume);
  take(&TGameConfig::Language);
  take(&TGameConfig::AdvancedMode1P);
  take(&TGameConfig::JoyName1P);
  take(&TGameConfig::AdvancedMode2P);
  take(&TGameConfig::JoyName2P);
  take(&TGameConfig::Cpu1P);
  take(&TGameConfig::Cpu2P);
  take(&TGameConfig::KeyAssign1P);
  take(&TGameConfig::KeyAssign2P);
  take(&TGameConfig::NetServer);
  take(&TGameConfig::RecentRivals);
  take(&TGameConfig::NetInputDelay);
  return out;
}

void LoadConfig(const std::string& iniPath, const std::string& levelDefPath, TGameConfig& cfg,
                TLevelTable& table) {
  std::string text;
  ReadFileBytes(iniPath, text);  // a missing or unreadable file reads as an empty one
  cfg = ReadConfig(TProfile(std::move(text)));

  std::string def;
  if (ReadFileBytes(levelDefPath, def) == TReadResult::Missing)
    table = BuildLevelTable(TProfile(std::string(DefaultLevelTableText())), cfg);
  else
    table = BuildLevelTable(TProfile(std::move(def)), cfg);
}

void SaveConfig(const std::string& iniPath, const TGameConfig& cfg, const std::string& seedPath,
                const TFileOps& ops) {
  std::string text;
  // A file that is there but cannot be read would otherwise be replaced by ours alone.
  TReadResult got = ReadFileBytes(iniPath, text);
  if (got == TReadResult::Failed) throw EWriteError(WriteErrorText(iniPath), EACCES);
  if (got == TReadResult::Missing && !seedPath.empty() && seedPath != iniPath &&
      ReadFileBytes(seedPath, text) == TReadResult::Failed)
    text.clear();
  TProfile ini(std::move(text));
  WriteConfig(ini, cfg);
  ReplaceFile(iniPath, ini.Text(), ops);
}

}  // namespace kq
