// Feeds the card order dialogue arbitrary answers interleaved with arbitrary card
// events, card counts and open results, and checks what must hold whatever the input.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "card_order.h"
#include "fake_card.h"
#include "fuzz_support.h"

namespace {

// Card counts worth meeting, picked by the first input byte.
constexpr std::int32_t kCardCounts[] = {2,          3, 0, -1, 1, 32, 33, 4, -2147483647 - 1,
                                        2147483647, 5, 31};
constexpr std::int32_t kEventCodes[] = {5, 6, 20, 0, 7, 19, 21, -5};
constexpr std::int32_t kFirstParams[] = {1, 9, 0, 2, -1};

// Whether a line, as the tool reads it, is the answer "y".
bool IsYes(std::string line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  const char* answer = line.c_str();  // the tool's buffer ends at a zero byte
  return std::strcmp(answer, "y") == 0 || std::strcmp(answer, "Y") == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ResetCardOrder();
  ByteReader in{data, size};
  const std::uint8_t setup = in.Next();
  Fake.CardCount = kCardCounts[setup % std::size(kCardCounts)];
  Fake.OpenResult = (setup & 0x80) != 0 ? 1 + (setup & 0x0F) : 0;

  // The rest: a byte with its top bit set is an event, taking two more bytes for its
  // code, first parameter and line; any other byte runs of text up to the next event.
  bool answered_y = false;
  std::string line;
  while (in.size > 0) {
    const std::uint8_t op = in.Next();
    if ((op & 0x80) != 0) {
      const std::uint8_t line_byte = in.Next();
      QueueEvent(kEventCodes[op % std::size(kEventCodes)],
                 kFirstParams[(op >> 3) % std::size(kFirstParams)], line_byte % 40, op, line_byte);
    } else {
      const char byte = static_cast<char>(op == 0x7F ? '\n' : op);
      QueueBytes(std::string(1, byte));
      if (byte == '\n') {
        answered_y = answered_y || IsYes(line);
        line.clear();
      } else {
        line += byte;
      }
    }
  }
  answered_y = answered_y || IsYes(line);

  const int exit_code = CardOrderMain();

  int closes = 0;
  int writes = 0;
  for (const std::string& call : Fake.Calls) {
    closes += call == "CloseCards";
    if (call.rfind("WriteCardSetting", 0) == 0) {
      const std::string expected = "WriteCardSetting 12296 0 " + std::to_string(writes) + " " +
                                   std::to_string(CardLineTable[writes]) + " 0 0";
      Check(writes < OrderedCount && call == expected, "writes go position by position");
      ++writes;
    }
  }
  Check(exit_code == (Fake.OpenResult != 0 ? -1 : 0), "exit code");
  Check(closes == (Fake.OpenResult != 0 ? 0 : 1), "CloseCards exactly once after an open");
  Check(OrderedCount >= 0 && OrderedCount <= kMaxCards, "at most 32 positions");
  Check(writes == 0 || (answered_y && writes == OrderedCount), "writes only after y, all of them");
  for (std::int32_t i = 0; i < OrderedCount; ++i) {
    for (std::int32_t j = i + 1; j < OrderedCount; ++j) {
      Check(CardLineTable[i] != CardLineTable[j], "recorded lines differ");
    }
  }
  Check(Fake.ReadsAfterEnd <= kReadsAtEnd, "no reading on at the end of input");
  return 0;
}
