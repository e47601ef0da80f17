// The simulator's portable logic: environment, control-port commands, log lines.
#include "cardsim/sim.h"

#include <gtest/gtest.h>

#include <climits>

namespace cardsim {
namespace {

TEST(MakeConfig, ReadsEachVariableAndKeepsDefaultsForMalformedValues) {
  struct Case {
    const char* cards;
    const char* open;
    const char* log;
    const char* port;
    int32_t want_cards;
    int32_t want_open;
    const char* want_log;
    int want_port;
  };
  const Case cases[] = {
      {nullptr, nullptr, nullptr, nullptr, 2, 0, "", -1},
      {"5", "-3", "/tmp/sim.log", "4000", 5, -3, "/tmp/sim.log", 4000},
      {"-1", "2147483647", "", "0", -1, INT32_MAX, "", 0},
      {"33", "-2147483648", nullptr, "65535", 33, INT32_MIN, "", 65535},
      {"", "", nullptr, "", 2, 0, "", -1},
      {"2147483648", "1x", nullptr, "65536", 2, 0, "", -1},
      {" 4", "+1", nullptr, "-1", 2, 0, "", -1},
      {"0x10", "1.0", nullptr, "80 ", 2, 0, "", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "cards=" << (c.cards ? c.cards : "unset")
                                    << " open=" << (c.open ? c.open : "unset")
                                    << " port=" << (c.port ? c.port : "unset"));
    const Config made = MakeConfig(c.cards, c.open, c.log, c.port);
    EXPECT_EQ(made.Cards, c.want_cards);
    EXPECT_EQ(made.OpenResult, c.want_open);
    EXPECT_EQ(made.LogPath, c.want_log);
    EXPECT_EQ(made.Port, c.want_port);
  }
}

TEST(ParseCommand, TurnsGoodLinesIntoEvents) {
  struct Case {
    const char* line;
    CardEvent want;
  };
  const Case cases[] = {
      {"event 1 2 3 4 5", {1, 2, 3, 4, 5}},
      {"event -2147483648 2147483647 0 -1 007", {INT32_MIN, INT32_MAX, 0, -1, 7}},
      {"  event\t9  8 7\t6 5 \t", {9, 8, 7, 6, 5}},
      {"offhook 3", {5, 1, 3, 0, 0}},
      {"offhook -7", {5, 1, -7, 0, 0}},
      {"ring 12", {20, 0, 12, 0, 0}},
      {"ring 0", {20, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    CardEvent event{};
    EXPECT_EQ(ParseCommand(c.line, &event), nullptr);
    EXPECT_EQ(event, c.want);
  }
}

TEST(ParseCommand, RejectsBadLinesWithAReason) {
  struct Case {
    const char* line;
    const char* reason;
  };
  const Case cases[] = {
      {"", "empty line"},
      {" \t ", "empty line"},
      {"hangup 3", "unknown command"},
      {"RING 3", "unknown command"},
      {"ring3", "unknown command"},
      {"event 1 2 3 4", "wrong argument count"},
      {"event 1 2 3 4 5 6", "wrong argument count"},
      {"ring", "wrong argument count"},
      {"offhook 1 2", "wrong argument count"},
      {"ring 2147483648", "bad number"},
      {"ring -2147483649", "bad number"},
      {"ring 99999999999999999999", "bad number"},
      {"ring 12x", "bad number"},
      {"ring +3", "bad number"},
      {"ring 0x10", "bad number"},
      {"ring -", "bad number"},
      {"ring 1e3", "bad number"},
      {"event 1 2 3 4 five", "bad number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    CardEvent event{};
    const char* reason = ParseCommand(c.line, &event);
    ASSERT_NE(reason, nullptr);
    EXPECT_STREQ(reason, c.reason);
  }
}

TEST(LogLines, AreNameValuesAndResultInDecimal) {
  EXPECT_EQ(LogLine("SetEventHandler", {}), "SetEventHandler\n");
  EXPECT_EQ(LogLine("Event", {5, 1, -3, INT32_MIN, INT32_MAX}),
            "Event 5 1 -3 -2147483648 2147483647\n");
  EXPECT_EQ(LogLine("Listening", {40123}), "Listening 40123\n");
  EXPECT_EQ(CallLine("OpenCards", {}, -1), "OpenCards -> -1\n");
  EXPECT_EQ(CallLine("GetLineNumber", {7, -9}, -9), "GetLineNumber 7 -9 -> -9\n");
  EXPECT_EQ(CallLine("WriteCardSetting", {12296, 0, 3, 1, 0, 0}, 0),
            "WriteCardSetting 12296 0 3 1 0 0 -> 0\n");
}

}  // namespace
}  // namespace cardsim
