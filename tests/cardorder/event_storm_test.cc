// The handler and the main flow meet only in two atomics. Here a storm of events from
// another thread, as a library would send them, runs against the real dialogue while
// it clears and reads the flags turn after turn. Built with ThreadSanitizer in the
// native-tsan preset, where any data race fails the run.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>

#include "card_order.h"
#include "fake_card.h"

namespace {

constexpr int kEvents = 100000;
constexpr int kDistinctLines = 8;  // fewer than the cards: turns go on through the storm

TEST(EventStorm, EveryAcceptedLineCameFromAnEvent) {
  ResetCardOrder();
  Fake.CardCount = kMaxCards;
  Fake.KeepOutput = false;
  Fake.AnswerWhileSet = true;

  std::atomic<bool> started{false};
  std::thread storm([&started] {
    started = true;
    constexpr std::int32_t kCodes[] = {5, 20, 6, 3, 5};
    for (int i = 0; i < kEvents; ++i) {
      OnCardEvent(kCodes[i % 5], 1, i % kDistinctLines, i, -i);
    }
    Fake.AnswerWhileSet = false;  // the end of input ends the run
  });
  while (!started) {
    std::this_thread::yield();
  }
  EXPECT_EQ(CardOrderMain(), 0);
  storm.join();

  ASSERT_LE(OrderedCount, kDistinctLines);
  std::set<std::int32_t> seen;
  for (std::int32_t i = 0; i < OrderedCount; ++i) {
    const std::int32_t line = CardLineTable[i];
    EXPECT_GE(line, kLineOffset);
    EXPECT_LT(line, kLineOffset + kDistinctLines);
    EXPECT_TRUE(seen.insert(line).second) << "line " << line << " recorded twice";
  }
  EXPECT_TRUE(std::all_of(CardLineTable + OrderedCount, CardLineTable + kMaxCards,
                          [](std::int32_t entry) { return entry == -1; }));
  const auto calls = std::count_if(Fake.Calls.begin(), Fake.Calls.end(), [](const std::string& c) {
    return c.rfind("GetLineNumber", 0) == 0;
  });
  EXPECT_EQ(calls, kEvents);
}

}  // namespace
