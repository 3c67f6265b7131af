#include "config/exit_save.h"

#include <cerrno>

#include "config/config_file.h"
#include "config/file_io.h"
#include "config/hiscore.h"
#include "engine/errors.h"
#include "engine/i18n.h"

namespace kq {

namespace {

// The table to write to path: a table saved there since this run read its own (another copy of
// the game, a save that had to move) keeps its results.
THiScoreTable WithNewerScores(const std::string& path, int64_t readTime, const THiScoreTable& ours) {
  if (ModifiedTime(path) <= readTime) return ours;
  std::string bytes;
  THiScoreTable theirs{};
  if (ReadFileBytes(path, bytes) != TReadResult::Ok || !ParseHiScores(bytes, theirs)) return ours;
  return MergeHiScores(ours, theirs);
}

// Likewise the settings: a newer file keeps its own, except what this run changed.
TGameConfig WithNewerSettings(const std::string& path, int64_t readTime, const TGameConfig& base,
                              const TGameConfig& ours) {
  if (ModifiedTime(path) <= readTime) return ours;
  std::string text;
  if (ReadFileBytes(path, text) != TReadResult::Ok) return ours;
  return MergeSettings(base, ours, ReadConfig(TProfile(std::move(text))));
}

}  // namespace

TSaveReport SaveToPlaces(const TUserFile& file, const std::function<void(const std::string&)>& write) {
  TSaveReport r;
  for (const std::string& place : file.WritePlaces) {
    if (place == file.UserPlace && !MakeUserFolder(place)) {
      r.Failures.push_back(WriteErrorText(place) + ": " + WriteFailureReason(place, errno));
      continue;
    }
    try {
      write(place);
      r.SavedPath = place;
    } catch (const EWriteError& e) {
      r.Failures.push_back(std::string(e.what()) + ": " + WriteFailureReason(place, e.Errno));
      continue;
    }
    // Without its note the next start of a copy beside the program would not look here.
    const std::string note = StandInNotePath(file);
    try {
      NoteSavedPlace(file, place);
    } catch (const EWriteError& e) {
      r.Failures.push_back(std::string(e.what()) + ": " + WriteFailureReason(note, e.Errno));
    }
    return r;
  }
  return r;
}

std::string TExitSaveResult::Message() const {
  std::string text;
  for (const TSaveReport* r : {&Config, &HiScores}) {
    if (r->Failures.empty()) continue;
    for (const std::string& f : r->Failures) text += (text.empty() ? "" : "\n") + f;
    if (r->Moved()) text += Subst(Tr("\nSaved to {path} instead"), "{path}", r->SavedPath);
  }
  return text;
}

TExitSaveResult SaveAtExit(const TUserFiles& files, const TGameConfig& cfg, const THiScoreTable& scores,
                           TRandom& rng, const TFileOps& ops) {
  TExitSaveResult r;
  // A first save to a new place starts from the file read at start-up: its tuning keys and
  // comments go along.
  r.Config = SaveToPlaces(files.Ini, [&](const std::string& path) {
    SaveConfig(path, WithNewerSettings(path, files.Ini.ReadTime, files.StartSettings, cfg),
               files.Ini.ReadPath, ops);
  });
  r.HiScores = SaveToPlaces(files.Hi, [&](const std::string& path) {
    ReplaceFile(path, FormatHiScores(WithNewerScores(path, files.Hi.ReadTime, scores), rng), ops);
  });
  return r;
}

TExitSaveResult SaveAtExit(const std::string& iniPath, const TGameConfig& cfg, const std::string& hiPath,
                           const THiScoreTable& scores, TRandom& rng) {
  TUserFiles files;
  files.Ini.WritePlaces = {iniPath};
  files.Hi.WritePlaces = {hiPath};
  // The files as they stand are the ones this save starts from.
  files.Ini.ReadTime = ModifiedTime(iniPath);
  files.Hi.ReadTime = ModifiedTime(hiPath);
  files.StartSettings = cfg;
  return SaveAtExit(files, cfg, scores, rng);
}

}  // namespace kq
