// The six library operations the card order tool uses, answered by the simulator.
#include "cardorder/tarvel.h"
#include "cardsim/sim.h"

int32_t TARVEL_CALL SetEventHandler(CardEventHandler handler) {
  cardsim::RegisterHandler(handler);
  return 0;
}

int32_t TARVEL_CALL OpenCards(void) {
  return cardsim::RecordCall("OpenCards", {}, cardsim::Settings().OpenResult);
}

int32_t TARVEL_CALL CloseCards(void) { return cardsim::RecordCall("CloseCards", {}, 0); }

int32_t TARVEL_CALL GetCardCount(int32_t reserved) {
  return cardsim::RecordCall("GetCardCount", {reserved}, cardsim::Settings().Cards);
}

int32_t TARVEL_CALL GetLineNumber(int32_t param1, int32_t param2) {
  return cardsim::RecordCall("GetLineNumber", {param1, param2}, param2);
}

int32_t TARVEL_CALL WriteCardSetting(int32_t code, int32_t arg1, int32_t arg2, int32_t arg3,
                                     int32_t arg4, int32_t arg5) {
  return cardsim::RecordCall("WriteCardSetting", {code, arg1, arg2, arg3, arg4, arg5}, 0);
}
