// The event handler: the library calls it on its own thread while the main flow waits
// for the technician's answer.
#include "card_order.h"
#include "messages_gbk.h"
#include "say.h"
#include "tarvel.h"

std::atomic<std::int32_t> DetectionFlags{0};
std::atomic<std::int32_t> LastEventLine{-1};

namespace {

bool IsCallIn(std::int32_t code, std::int32_t param1) {
  return (code == 5 || code == 6) && (param1 == 1 || param1 == 9);
}

constexpr std::int32_t kRingCode = 20;

}  // namespace

void TARVEL_CALL OnCardEvent(std::int32_t code, std::int32_t param1, std::int32_t param2,
                             std::int32_t /*param3*/, std::int32_t /*param4*/) {
  const std::int32_t line = GetLineNumber(param1, param2);
  // Every event's line is kept, whatever its code, and before any bit is set: a main
  // flow that sees a bit finds this line or a later one.
  LastEventLine.store(line, std::memory_order_release);
  if (IsCallIn(code, param1)) {
    Say(kCallInEvent, line);
    DetectionFlags.fetch_or(kCallInSeen, std::memory_order_release);
  } else if (code == kRingCode) {
    Say(kRingEvent, line);
    DetectionFlags.fetch_or(kRingSeen, std::memory_order_release);
  }
}
