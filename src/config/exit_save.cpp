#include "config/exit_save.h"

#include <cerrno>
#include <cstring>

#include "config/config_file.h"
#include "config/file_io.h"
#include "config/hiscore.h"
#include "engine/errors.h"
#include "engine/i18n.h"

namespace kq {

namespace {

std::string Reason(int err) {
  return err ? std::strerror(err) : "unknown error";
}

}  // namespace

TSaveReport SaveToPlaces(const TUserFile& file, const std::function<void(const std::string&)>& write) {
  TSaveReport r;
  for (const std::string& place : file.WritePlaces) {
    if (place == file.UserPlace && !MakeUserFolder(place)) {
      r.Failures.push_back(WriteErrorText(place) + ": " + Reason(errno));
      continue;
    }
    try {
      write(place);
      r.SavedPath = place;
      return r;
    } catch (const EWriteError& e) {
      r.Failures.push_back(std::string(e.what()) + ": " + Reason(e.Errno));
    }
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
  r.Config = SaveToPlaces(files.Ini,
                          [&](const std::string& path) { SaveConfig(path, cfg, files.Ini.ReadPath, ops); });
  const std::string bytes = FormatHiScores(scores, rng);
  r.HiScores = SaveToPlaces(files.Hi, [&](const std::string& path) { ReplaceFile(path, bytes, ops); });
  return r;
}

TExitSaveResult SaveAtExit(const std::string& iniPath, const TGameConfig& cfg, const std::string& hiPath,
                           const THiScoreTable& scores, TRandom& rng) {
  TUserFiles files;
  files.Ini.WritePlaces = {iniPath};
  files.Hi.WritePlaces = {hiPath};
  return SaveAtExit(files, cfg, scores, rng);
}

}  // namespace kq
