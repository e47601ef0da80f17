// The end of an ordering: the table is shown and, on "y", each position's line is
// written into the system through the library.
#include <cstring>

#include "card_order.h"
#include "messages_gbk.h"
#include "say.h"
#include "tarvel.h"

namespace {

// The setting under which the library keeps a card position's line.
constexpr std::int32_t kCardLineSetting = 0x3008;

}  // namespace

int ConfirmCardOrder() {
  Say(kOrderFinished);
  Say(kTableHeader);
  for (std::int32_t i = 0; i < OrderedCount; ++i) {
    Say(kTableRow, i + 1, CardLineTable[i]);
  }

  char answer[kAnswerCapacity];
  for (;;) {
    // At the end of input nobody confirmed: the result is discarded, nothing written.
    if (!ReadAnswerLine(answer) || std::strcmp(answer, "n") == 0) {
      Say(kDiscarded);
      return CloseAndExit();
    }
    if (std::strcmp(answer, "y") == 0) {
      break;
    }
  }

  Say(kWriting);
  for (std::int32_t i = 0; i < OrderedCount; ++i) {
    WriteCardSetting(kCardLineSetting, 0, i, CardLineTable[i], 0, 0);
  }
  Say(kWriteDone);
  return CloseAndExit();
}
