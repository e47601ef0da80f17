// The ordering dialogue: one card position at a time, the technician makes an event
// happen on the next card and presses Enter; the line of that event is the card's.
#include <algorithm>
#include <cstring>

#include "card_console.h"
#include "card_order.h"
#include "messages_gbk.h"
#include "say.h"
#include "tarvel.h"

std::int32_t CardLineTable[kMaxCards];
std::int32_t OrderedCount = 0;

bool ReadAnswerLine(char (&answer)[kAnswerCapacity]) {
  int byte = ReadInputByte();
  if (byte < 0) {
    answer[0] = '\0';
    return false;
  }
  std::size_t length = 0;  // characters of the line, kept or not
  int last = 0;
  for (; byte >= 0 && byte != '\n'; byte = ReadInputByte()) {
    if (length < kAnswerCapacity - 1) {
      answer[length] = static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte + ('a' - 'A') : byte);
    }
    ++length;
    last = byte;
  }
  // A line typed on Windows ends in "\r\n", from a console and a pipe alike.
  if (last == '\r') {
    --length;
  }
  // A line too long for the buffer is an ordinary answer, neither "quit", "y" nor "n".
  if (length >= kAnswerCapacity) {
    length = 0;
  }
  answer[length] = '\0';
  return true;
}

int CloseAndExit() {
  Say(kPressKeyToExit);
  ReadKey();
  CloseCards();
  return 0;
}

int CardOrderMain() {
  std::memset(CardLineTable, 0xFF, sizeof CardLineTable);
  SetEventHandler(OnCardEvent);
  if (OpenCards() != 0) {
    Say(kOpenFailed);
    ReadKey();
    return -1;
  }
  const std::int32_t card_count = GetCardCount(0);
  if (card_count == 1) {
    Say(kOnlyOneCard);
    return CloseAndExit();
  }
  // The table holds 32 cards: a larger machine is not ordered at all, rather than
  // in part.
  if (card_count > kMaxCards) {
    Say(kTooManyCards, card_count);
    return CloseAndExit();
  }
  Say(kCardCount, card_count);

  char answer[kAnswerCapacity];
  while (OrderedCount < card_count) {
    const std::int32_t position = OrderedCount + 1;
    // Cleared before the prompt: an event from here on counts for this position.
    DetectionFlags.store(0);
    Say(kTakeCardOffHook, position);
    Say(kPressKeyToTest);
    // At the end of input nobody is left to answer: the ordering stops unfinished.
    if (!ReadAnswerLine(answer) || std::strcmp(answer, "quit") == 0) {
      Say(kNotFinished);
      return CloseAndExit();
    }
    const std::int32_t flags = DetectionFlags.load(std::memory_order_acquire);
    if (flags == 0) {
      Say(kNothingDone, position);
      continue;
    }
    const std::int32_t line = LastEventLine.load(std::memory_order_acquire);
    if (std::find(CardLineTable, CardLineTable + OrderedCount, line) !=
        CardLineTable + OrderedCount) {
      Say(kSameCardAgain);
      continue;
    }
    Say((flags & kCallInSeen) != 0 ? kOffHookDetected : kRingDetected, position);
    CardLineTable[OrderedCount++] = line;
  }
  return ConfirmCardOrder();
}
