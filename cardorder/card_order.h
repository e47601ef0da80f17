// The card order tool `Mirlow`: it learns, card by card, which line the technician
// took off-hook or called, and on "y" writes the order back through the voice-card
// library (tarvel.h).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "tarvel.h"

// Shared between the library's event thread and the main flow, without a lock: the
// handler stores the line (release) before it ORs in a bit; the main flow clears the
// flags before each prompt and, after the answer, reads the flags (acquire) before the
// line. Seeing a bit thus means LastEventLine holds that event's line or a later one.
inline constexpr std::int32_t kCallInSeen = 1;  // code 5 or 6 with first parameter 1 or 9
inline constexpr std::int32_t kRingSeen = 2;    // code 20
extern std::atomic<std::int32_t> DetectionFlags;
extern std::atomic<std::int32_t> LastEventLine;

// The handler registered with the library: notes every event's line and turns call-ins
// and rings into detection bits, printing a line for each.
void TARVEL_CALL OnCardEvent(std::int32_t code, std::int32_t param1, std::int32_t param2,
                             std::int32_t param3, std::int32_t param4);

// The result of the ordering: entry i is the line of card position i + 1; entries from
// OrderedCount on stay -1. Main flow only.
inline constexpr std::int32_t kMaxCards = 32;
extern std::int32_t CardLineTable[kMaxCards];
extern std::int32_t OrderedCount;

// One answer line: at most 255 characters and a terminating zero.
inline constexpr std::size_t kAnswerCapacity = 256;

// The whole run; the result is the process exit code: -1 when the cards cannot be
// opened, 0 on every other way out.
int CardOrderMain();

// Reads one line of standard input into the buffer, without its line end ("\n" or
// "\r\n"), with ASCII capitals lowered. A line longer than 255 characters is consumed
// whole and reads as an empty line. False at the end of input, when no line is left.
bool ReadAnswerLine(char (&answer)[kAnswerCapacity]);

// Shows the finished table and, on "y", writes it back; ends in CloseAndExit.
int ConfirmCardOrder();

// The common end of every run that opened the cards: waits for a key, closes the
// cards. The result, 0, is the exit code.
int CloseAndExit();
