#include "config/config_file.h"

#include <cerrno>
#include <string_view>

#include "config/file_io.h"
#include "config/level_table.h"
#include "engine/errors.h"

namespace kq {

namespace {

constexpr const char* kSystem = "System";

// Missing, unparsable and out-of-range values all give the default; nothing is clamped.
int ReadIntRange(const TProfile& ini, const char* section, const char* key, int def, int lo, int hi) {
  auto v = ini.ReadInteger(section, key);
  return v && *v >= lo && *v <= hi ? *v : def;
}

double ReadRealRange(const TProfile& ini, const char* section, const char* key, double def, double lo,
                     double hi) {
  auto v = ini.ReadReal(section, key);
  return v && *v >= lo && *v <= hi ? *v : def;
}

int ReadInt(const TProfile& ini, const char* section, const char* key, int def) {
  return ini.ReadInteger(section, key).value_or(def);
}

bool ReadBool(const TProfile& ini, const char* section, const char* key, bool def) {
  return ReadInt(ini, section, key, def ? 1 : 0) != 0;
}

void ReadKeys(const TProfile& ini, const char* section, TKeyAssign& k) {
  k.UP = ReadInt(ini, section, "UP", k.UP);
  k.DOWN = ReadInt(ini, section, "DOWN", k.DOWN);
  k.LEFT = ReadInt(ini, section, "LEFT", k.LEFT);
  k.RIGHT = ReadInt(ini, section, "RIGHT", k.RIGHT);
  k.K01 = ReadInt(ini, section, "K01", k.K01);
  k.K02 = ReadInt(ini, section, "K02", k.K02);
  k.K03 = ReadInt(ini, section, "K03", k.K03);
  k.K04 = ReadInt(ini, section, "K04", k.K04);
  // One byte each: 260 keeps its low eight bits, 4.
  k.J01 = static_cast<uint8_t>(ReadInt(ini, section, "J01", k.J01));
  k.J02 = static_cast<uint8_t>(ReadInt(ini, section, "J02", k.J02));
  k.J03 = static_cast<uint8_t>(ReadInt(ini, section, "J03", k.J03));
  k.J04 = static_cast<uint8_t>(ReadInt(ini, section, "J04", k.J04));
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
  const char* s = kSystem;
  c.UseDirect3D = ReadBool(ini, s, "UseDirect3D", c.UseDirect3D);
  c.WaitVsync = ReadBool(ini, s, "WaitVsync", c.WaitVsync);
  c.DisableBgm = ReadBool(ini, s, "DisableBgm", c.DisableBgm);
  c.DisableVoice = ReadBool(ini, s, "DisableVoice", c.DisableVoice);
  c.DisableGameOver = ReadBool(ini, s, "DisableGameOver", c.DisableGameOver);
  c.LineUpInterval = ReadIntRange(ini, s, "LineUpInterval", 5000, 100, 100000);
  c.BlockFallSpeed = ReadIntRange(ini, s, "BlockFallSpeed", 200, 10, 100000);
  c.ChainGaugePeriod = ReadIntRange(ini, s, "ChainGaugePeriod", 6000, 1000, 100000);
  c.LineTrimingPeriod = ReadIntRange(ini, s, "LineTrimingPeriod", 100000, 1000, 1000000);
  c.HazardBlockPeriod = ReadIntRange(ini, s, "HazardBlockPeriod", 12000, 1000, 100000);
  c.BlockStartLine = ReadIntRange(ini, s, "BlockStartLine", 5, 0, 10);
  c.TotalBlockType = ReadIntRange(ini, s, "TotalBlockType", 6, 3, 6);
  c.EraseLowerLimit = ReadIntRange(ini, s, "EraseLowerLimit", 4, 2, 7);
  c.EraseLowerLimitRainbow = ReadIntRange(ini, s, "EraseLowerLimitRainbow", 2, 2, 7);
  c.ShotSpeed = ReadIntRange(ini, s, "ShotSpeed", 777, 10, 10000);
  c.HardBlockRatio = ReadIntRange(ini, s, "HardBlockRatio", 7, 0, 100);
  char hazardKey[] = "HazardBlockNum0";
  for (int n = 3; n <= 7; ++n) {
    hazardKey[sizeof hazardKey - 2] = static_cast<char>('0' + n);
    c.HazardBlockNum[n] = ReadIntRange(ini, s, hazardKey, 10, 1, 99);
  }
  c.HazardBlockChainAdd = ReadIntRange(ini, s, "HazardBlockChainAdd", 2, 0, 100);
  c.PowerIncPerBlock = ReadRealRange(ini, s, "PowerIncPerBlock", 1.0, 0.01, 100);
  c.RainbowIncPerBlock = ReadRealRange(ini, s, "RainbowIncPerBlock", 0.5, 0.01, 100);
  c.BlockCapacity = ReadIntRange(ini, s, "BlockCapacity", 3, 1, 99);
  c.RainbowModePeriod = ReadIntRange(ini, s, "RainbowModePeriod", 17000, 100, 100000);
  c.EndingLv = ReadIntRange(ini, s, "EndingLv", 100, 1, 9999);
  c.EndingExLv = ReadIntRange(ini, s, "EndingExLv", 200, 1, 9999);
  c.ExLvCombo = ReadIntRange(ini, s, "ExLvCombo", 333, 1, 9999);
  c.EndingPageNum = ReadIntRange(ini, s, "EndingPageNum", 5, 1, 99);
  c.EndingInterval = ReadIntRange(ini, s, "EndingInterval", 45000, 1000, 100000);

  c.AdvancedMode1P = ReadBool(ini, "Status1P", "AdvancedMode", c.AdvancedMode1P);
  c.JoyName1P = ini.ReadString("Status1P", "JoyName").value_or("");
  c.AdvancedMode2P = ReadBool(ini, "Status2P", "AdvancedMode", c.AdvancedMode2P);
  c.JoyName2P = ini.ReadString("Status2P", "JoyName").value_or("");
  c.Cpu1P = ReadIntRange(ini, "Status1P", "Cpu", 0, 0, 5);
  c.Cpu2P = ReadIntRange(ini, "Status2P", "Cpu", 0, 0, 5);

  ReadKeys(ini, "KeyAssign1P", c.KeyAssign1P);
  ReadKeys(ini, "KeyAssign2P", c.KeyAssign2P);
  return c;
}

void WriteConfig(TProfile& ini, const TGameConfig& c) {
  // Only what the option screens can change; tuning keys and DisableGameOver stay as edited.
  WriteBool(ini, kSystem, "UseDirect3D", c.UseDirect3D);
  WriteBool(ini, kSystem, "WaitVsync", c.WaitVsync);
  WriteBool(ini, kSystem, "DisableBgm", c.DisableBgm);
  WriteBool(ini, kSystem, "DisableVoice", c.DisableVoice);
  WriteBool(ini, "Status1P", "AdvancedMode", c.AdvancedMode1P);
  ini.WriteString("Status1P", "JoyName", c.JoyName1P);
  WriteBool(ini, "Status2P", "AdvancedMode", c.AdvancedMode2P);
  ini.WriteString("Status2P", "JoyName", c.JoyName2P);
  WriteInt(ini, "Status1P", "Cpu", c.Cpu1P);
  WriteInt(ini, "Status2P", "Cpu", c.Cpu2P);
  WriteKeys(ini, "KeyAssign1P", c.KeyAssign1P);
  WriteKeys(ini, "KeyAssign2P", c.KeyAssign2P);
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
