// The card order dialogue from start to end, against the fake library and console.
// Expected output is written here as UTF-8 and compared with the tool's GBK output.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "card_order.h"
#include "fake_card.h"

namespace {

using Calls = std::vector<std::string>;

std::string N(std::int32_t value) { return std::to_string(value); }

std::string Announce(std::int32_t cards) {
  return "\n本机共有 " + N(cards) + " 张卡，现在他们排序，按 “quit” 退出程序。\n\n";
}
std::string Prompt(std::int32_t position) {
  return "请给第 " + N(position) + " 张卡的内线或高阻摘机，如果只有外线模块，请呼入电话。\n\n" +
         "按任意键检测下一张卡，按 “quit” 退出程序！\n\n";
}
std::string OffHookFound(std::int32_t position) {
  return "检测到第 " + N(position) + " 张卡的摘机！\n\n";
}
std::string RingFound(std::int32_t position) {
  return "检测到第 " + N(position) + " 张卡的振铃！\n\n";
}
std::string NothingDone(std::int32_t position) {
  return "你还没有对第 " + N(position) + " 张卡进行任何操作！\n\n";
}
std::string CallInLine(std::int32_t line) { return "line[" + N(line) + "],OnCallIn()\n"; }
std::string RingLine(std::int32_t line) { return "line[" + N(line) + "],OnRing()\n"; }
std::string Table(const std::vector<std::int32_t>& lines) {
  std::string table =
      "排序完毕！结果如下，按“y”确认并将结果写入系统！按“n”放弃并退出程序！\n\n\t\tCard\t\tLine\n";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    table += "\t\t" + N(static_cast<std::int32_t>(i + 1)) + "\t\t" + N(lines[i]) + "\n";
  }
  return table;
}
const std::string kSameCard = "你测试的好像还是上一次的卡，请测试下一张卡！\n\n";
const std::string kNotFinished = "你没有完成所有卡的排序，请以后再试！\n\n";
const std::string kDiscarded = "放弃排序结果，请下次再排！\n\n";
const std::string kWritten = "写入系统中，请稍等！\n\n写入完毕！\n\n";
const std::string kPressKeyToExit = "按任何键退出程序！！\n\n";
const Calls kOpened = {"SetEventHandler", "OpenCards", "GetCardCount 0"};

Calls Join(Calls first, const Calls& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

std::string Write(std::int32_t position, std::int32_t line) {
  return "WriteCardSetting 12296 0 " + N(position) + " " + N(line) + " 0 0";
}

class CardOrder : public ::testing::Test {
 protected:
  void SetUp() override { ResetCardOrder(); }
  void TearDown() override {
    EXPECT_LE(Fake.ReadsAfterEnd, kReadsAtEnd) << "the tool kept reading at the end of input";
  }
};

// Every outcome of a turn in one run: an answer with no event, the same card again, a
// ring, a call-in and a ring together (the later line counts), unrecognised answers in
// the confirmation, then "Y" writes the three positions in order.
TEST_F(CardOrder, ThreeCardsOrderedThroughEveryKindOfTurn) {
  Fake.CardCount = 3;
  QueueOffHook(7);
  QueueLine("");
  QueueLine("");  // nothing done
  QueueOffHook(7);
  QueueLine("ok");  // the same card
  QueueRing(9);
  QueueLine("");
  QueueOffHook(3);
  QueueRing(4);
  QueueLine("");
  for (const char* answer : {"", "yes", " y", "y ", "Y"}) QueueLine(answer);
  QueueLine("");  // the key

  EXPECT_EQ(CardOrderMain(), 0);
  EXPECT_EQ(OutputUtf8(), Announce(3) + Prompt(1) + CallInLine(107) + OffHookFound(1) + Prompt(2) +
                              NothingDone(2) + Prompt(2) + CallInLine(107) + kSameCard + Prompt(2) +
                              RingLine(109) + RingFound(2) + Prompt(3) + CallInLine(103) +
                              RingLine(104) + OffHookFound(3) + Table({107, 109, 104}) + kWritten +
                              kPressKeyToExit);
  EXPECT_EQ(Fake.Calls,
            Join(kOpened, {"GetLineNumber 1 7", "GetLineNumber 1 7", "GetLineNumber 0 9",
                           "GetLineNumber 1 3", "GetLineNumber 0 4", Write(0, 107), Write(1, 109),
                           Write(2, 104), "ReadKey", "CloseCards"}));
  EXPECT_EQ(Fake.Input.size(), 0u);
}

TEST_F(CardOrder, QuitInAnyCaseEndsTheOrderingEvenAfterAnEvent) {
  for (const char* quit : {"quit", "QUIT", "Quit", "quit\r"}) {
    SetUp();
    QueueOffHook(7);
    QueueLine(quit);
    EXPECT_EQ(CardOrderMain(), 0) << quit;
    EXPECT_EQ(OutputUtf8(),
              Announce(2) + Prompt(1) + CallInLine(107) + kNotFinished + kPressKeyToExit);
    EXPECT_EQ(Fake.Calls, Join(kOpened, {"GetLineNumber 1 7", "ReadKey", "CloseCards"}));
  }
}

// A word with a blank beside it is an ordinary answer; the end of input then ends the
// ordering as unfinished rather than asking again for ever.
TEST_F(CardOrder, QuitWithBlanksIsAnOrdinaryAnswer) {
  for (const char* answer : {" quit", "quit ", "quit\t"}) {
    SetUp();
    QueueLine(answer);
    EXPECT_EQ(CardOrderMain(), 0);
    EXPECT_EQ(OutputUtf8(), Announce(2) + Prompt(1) + NothingDone(1) + Prompt(1) + kNotFinished +
                                kPressKeyToExit);
  }
}

// The flags are cleared before each prompt: a card event of an earlier turn does not
// count for the next position, although its line is still the latest.
TEST_F(CardOrder, EventOfAnEarlierTurnDoesNotCount) {
  QueueOffHook(1);
  QueueLine("");
  QueueLine("");
  QueueLine("quit");
  EXPECT_EQ(CardOrderMain(), 0);
  EXPECT_EQ(OutputUtf8(), Announce(2) + Prompt(1) + CallInLine(101) + OffHookFound(1) + Prompt(2) +
                              NothingDone(2) + Prompt(2) + kNotFinished + kPressKeyToExit);
}

TEST_F(CardOrder, DiscardWritesNothing) {
  for (const char* answer : {"n", "N", "no"}) {
    SetUp();
    QueueRing(1);
    QueueLine("");
    QueueRing(2);
    QueueLine("");
    QueueLine(answer);  // "no" is read past; the end of input then discards
    EXPECT_EQ(CardOrderMain(), 0);
    EXPECT_EQ(OutputUtf8(), Announce(2) + Prompt(1) + RingLine(101) + RingFound(1) + Prompt(2) +
                                RingLine(102) + RingFound(2) + Table({101, 102}) + kDiscarded +
                                kPressKeyToExit);
    EXPECT_EQ(Fake.Calls,
              Join(kOpened, {"GetLineNumber 0 1", "GetLineNumber 0 2", "ReadKey", "CloseCards"}));
  }
}

TEST_F(CardOrder, CardsThatCannotBeOpened) {
  for (bool key_waiting : {true, false}) {
    SetUp();
    Fake.OpenResult = -5;
    if (key_waiting) QueueLine("");
    EXPECT_EQ(CardOrderMain(), -1);
    EXPECT_EQ(OutputUtf8(), "对不起，打开语音卡失败！\n");
    EXPECT_EQ(Fake.Calls, (Calls{"SetEventHandler", "OpenCards", "ReadKey"}));
  }
}

TEST_F(CardOrder, MachinesThatNeedNoOrdering) {
  struct Case {
    std::int32_t cards;
    std::string shown;
  };
  for (const Case& c :
       {Case{1, "本机只有一张卡。不用排序！\n\n"},
        Case{33, "\n本机共有 33 张卡，超过了本程序最多能排序的 32 张卡，不能排序！\n\n"},
        Case{2147483647,
             "\n本机共有 2147483647 张卡，超过了本程序最多能排序的 "
             "32 张卡，不能排序！\n\n"}}) {
    SetUp();
    Fake.CardCount = c.cards;
    QueueEvent(5, 1, 4);  // would fill a position if one were asked for
    QueueLine("y");
    EXPECT_EQ(CardOrderMain(), 0);
    EXPECT_EQ(OutputUtf8(), c.shown + kPressKeyToExit + CallInLine(104));
    EXPECT_EQ(Fake.Calls, Join(kOpened, {"ReadKey", "GetLineNumber 1 4", "CloseCards"}));
    EXPECT_EQ(OrderedCount, 0);
  }
}

// No cards or a negative count: the announcement, then at once an empty table; "y"
// writes nothing between its two messages.
TEST_F(CardOrder, EmptyTable) {
  for (std::int32_t cards : {0, -1}) {
    SetUp();
    Fake.CardCount = cards;
    QueueLine("y");
    EXPECT_EQ(CardOrderMain(), 0);
    EXPECT_EQ(OutputUtf8(), Announce(cards) + Table({}) + kWritten + kPressKeyToExit);
    EXPECT_EQ(Fake.Calls, Join(kOpened, {"ReadKey", "CloseCards"}));
  }
}

TEST_F(CardOrder, ThirtyTwoCardsFillTheTable) {
  Fake.CardCount = 32;
  std::vector<std::int32_t> lines;
  Calls writes;
  for (std::int32_t position = 0; position < 32; ++position) {
    QueueOffHook(position * 4);
    QueueLine("");
    lines.push_back(position * 4 + kLineOffset);
    writes.push_back(Write(position, position * 4 + kLineOffset));
  }
  QueueLine("y");
  EXPECT_EQ(CardOrderMain(), 0);
  EXPECT_EQ(OrderedCount, 32);
  EXPECT_NE(OutputUtf8().find(Table(lines) + kWritten), std::string::npos);
  Calls written(Fake.Calls.end() - 34, Fake.Calls.end() - 2);
  EXPECT_EQ(written, writes);
}

TEST_F(CardOrder, EndOfInputBeforeTheFirstAnswer) {
  EXPECT_EQ(CardOrderMain(), 0);
  EXPECT_EQ(OutputUtf8(), Announce(2) + Prompt(1) + kNotFinished + kPressKeyToExit);
  EXPECT_EQ(Fake.Calls, Join(kOpened, {"ReadKey", "CloseCards"}));
}

// The handler: which events set which bit and print which line; every event's line is
// kept, and the third and fourth parameters play no part.
TEST_F(CardOrder, EventHandlerRules) {
  struct Case {
    std::array<std::int32_t, 5> event;
    std::int32_t flags;
    std::string printed;
  };
  const Case cases[] = {
      {{5, 1, 7, 0, 0}, kCallInSeen, CallInLine(107)},
      {{6, 9, 7, 55, -3}, kCallInSeen, CallInLine(107)},
      {{5, 2, 7, 0, 0}, 0, ""},
      {{6, 0, 7, 1, 9}, 0, ""},
      {{5, -1, 7, 0, 0}, 0, ""},
      {{20, 0, 7, 0, 0}, kRingSeen, RingLine(107)},
      {{20, 77, -250, 0, 0}, kRingSeen, RingLine(-150)},
      {{6, 1, -250, 0, 0}, kCallInSeen, CallInLine(-150)},
      {{4, 1, 7, 0, 0}, 0, ""},
      {{7, 1, 7, 0, 0}, 0, ""},
      {{19, 9, 7, 0, 0}, 0, ""},
      {{21, 1, 7, 0, 0}, 0, ""},
      {{-5, 1, 7, 0, 0}, 0, ""},
  };
  for (const Case& c : cases) {
    SetUp();
    const auto& e = c.event;
    OnCardEvent(e[0], e[1], e[2], e[3], e[4]);
    EXPECT_EQ(DetectionFlags.load(), c.flags) << e[0] << " " << e[1];
    EXPECT_EQ(LastEventLine.load(), e[2] + kLineOffset);
    EXPECT_EQ(OutputUtf8(), c.printed);
    EXPECT_EQ(Fake.Calls, Calls{"GetLineNumber " + N(e[1]) + " " + N(e[2])});
  }
  // Bits add up and are never cleared by the handler.
  SetUp();
  OnCardEvent(5, 1, 1, 0, 0);
  OnCardEvent(20, 0, 2, 0, 0);
  OnCardEvent(5, 1, 3, 0, 0);
  OnCardEvent(3, 0, 4, 0, 0);
  EXPECT_EQ(DetectionFlags.load(), kCallInSeen | kRingSeen);
  EXPECT_EQ(LastEventLine.load(), 4 + kLineOffset);
}

struct LineCase {
  std::string input;
  std::string answer;
};

// The line reader: bounded, lowered, without its line end; an over-long line is
// consumed whole and the next line reads normally.
TEST_F(CardOrder, ReadAnswerLine) {
  const std::string a255(255, 'A');
  const std::string lowered255(255, 'a');
  const LineCase cases[] = {
      {"y\n", "y"},
      {"Y\r\n", "y"},
      {"QuIt", "quit"},  // the last line, without a line end
      {"\n", ""},
      {"\r\n", ""},
      {" N \n", " n "},
      {"a\rb\n", "a\rb"},
      {"\xC4\xE3Z\xB5\n", "\xC4\xE3z\xB5"},  // bytes of 0x80 and above stay
      {a255 + "\n", lowered255},
      {a255 + "\r\n", lowered255},
      {a255 + "A\n", ""},
      {std::string(5000, 'y') + "\r\n", ""},
  };
  for (const LineCase& c : cases) {
    SetUp();
    const bool ends_line = c.input.back() == '\n';
    QueueBytes(ends_line ? c.input + "next\n" : c.input);
    char answer[kAnswerCapacity];
    ASSERT_TRUE(ReadAnswerLine(answer));
    EXPECT_EQ(std::string(answer), c.answer) << c.input.substr(0, 20);
    if (ends_line) {
      ASSERT_TRUE(ReadAnswerLine(answer));
      EXPECT_EQ(std::string(answer), "next");
    }
  }
  SetUp();
  char answer[kAnswerCapacity];
  EXPECT_FALSE(ReadAnswerLine(answer));
  EXPECT_EQ(std::string(answer), "");
}

}  // namespace
