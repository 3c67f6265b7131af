#include "app/context.h"
#include "app/replay.h"
#include "game/rules.h"
#include "screens/screens.h"

namespace kq {

void GameContext::EnterState(int newState) {
  // Leave the current state.
  switch (ScreenState) {
    case scTitle:
      if (newState == scOptions) OptionCursor = 1;
      TitleNotice.clear();
      break;
    case scPlay:
      StopMusic();
      LeavePlay(*this);
      break;
    case scRules:
      StopMusic();
      break;
    case scRanking:
      NewRankIndex = -1;
      break;
    default:
      break;
  }
  // Every sprite belongs to one screen; the records must not keep pointers to freed sprites.
  Player1P.ForgetSprites();
  Player2P.ForgetSprites();
  RetryYes = RetryNo = EndingPicture = TitleCursorSprite = nullptr;
  DXSpriteEngine1.ClearChildren();

  switch (newState) {
    case scTitle: EnterTitle(*this); break;
    case scOpening: EnterOpening(*this); break;
    case scPlay:
      PrepareGameStart(*this);
      SetupGame(*this);
      CompleteGameStart(*this);
      RecordGameStart(*this);
      break;
    case scRules: EnterRules(*this); break;
    case scRanking: EnterRanking(*this); break;
    case scOptions: EnterOptions(*this); break;
    case scKeyAssign: EnterKeyAssign(*this); break;
    case scPadAssign: EnterPadAssign(*this); break;
    default: break;
  }
  DXInput1.States.reset();  // player 2's latches survive until the end of the frame
  ScreenState = uint8_t(newState);
}

}  // namespace kq
