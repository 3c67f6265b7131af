#include <memory>

#include "core/context.h"
#include "screens/option_screens.h"
#include "screens/screens.h"

namespace kq {

void InstallFrontEndScreens(TScreenManager& screens) {
  screens.Register(scTitle, std::make_unique<TTitleScreen>());
  screens.Register(scOpening, std::make_unique<TOpeningScreen>());
  screens.Register(scRules, std::make_unique<TRulesScreen>());
  screens.Register(scRanking, std::make_unique<TRankingScreen>());
  screens.Register(scReplays, std::make_unique<TReplaysScreen>());
  // The three option screens share their rows, working copies and fonts.
  auto lists = std::make_shared<TOptionScreens>();
  screens.Register(scOptions, std::make_unique<TOptionsScreen>(lists));
  screens.Register(scKeyAssign, std::make_unique<TAssignScreen>(lists, false));
  screens.Register(scPadAssign, std::make_unique<TAssignScreen>(lists, true));
}

}  // namespace kq
