// The fake voice-card library (the six operations of tarvel.h) and the fake console
// (card_console.h) that the unit tests link instead of the real ones.
#include <iconv.h>

#include <cstring>

#include "card_console.h"
#include "card_order.h"
#include "fake_card.h"

FakeCard Fake;

namespace {

void Call(std::string what) {
  std::lock_guard<std::mutex> hold(Fake.Lock);
  Fake.Calls.push_back(std::move(what));
}

std::string Numbers(std::initializer_list<std::int32_t> values) {
  std::string text;
  for (std::int32_t value : values) {
    text += " " + std::to_string(value);
  }
  return text;
}

}  // namespace

void ResetCardOrder() {
  Fake.Handler = nullptr;
  Fake.OpenResult = 0;
  Fake.CardCount = 2;
  Fake.KeepOutput = true;
  Fake.AnswerWhileSet = false;
  Fake.Calls.clear();
  Fake.Output.clear();
  Fake.ReadsAfterEnd = 0;
  Fake.Input.clear();
  std::memset(CardLineTable, 0, sizeof CardLineTable);
  OrderedCount = 0;
  DetectionFlags = 0;
  LastEventLine = -1;
}

void QueueBytes(const std::string& bytes) { Fake.Input.push_back({false, {}, bytes}); }

void QueueLine(const std::string& line) { QueueBytes(line + "\n"); }

void QueueEvent(std::int32_t code, std::int32_t param1, std::int32_t param2, std::int32_t param3,
                std::int32_t param4) {
  Fake.Input.push_back({true, {code, param1, param2, param3, param4}, {}});
}

void QueueOffHook(std::int32_t param2) { QueueEvent(5, 1, param2); }

void QueueRing(std::int32_t param2) { QueueEvent(20, 0, param2); }

std::string OutputUtf8() {
  const iconv_t convert = iconv_open("UTF-8", "GBK");
  std::string out(Fake.Output.size() * 2, '\0');
  char* in = Fake.Output.data();
  std::size_t in_left = Fake.Output.size();
  char* to = out.data();
  std::size_t out_left = out.size();
  const bool ok = iconv(convert, &in, &in_left, &to, &out_left) != static_cast<std::size_t>(-1);
  iconv_close(convert);
  out.resize(out.size() - out_left);
  return ok ? out : "<not GBK: " + Fake.Output + ">";
}

// The library.

int32_t TARVEL_CALL SetEventHandler(CardEventHandler handler) {
  Call("SetEventHandler");
  Fake.Handler = handler;
  return 0;
}

int32_t TARVEL_CALL OpenCards(void) {
  Call("OpenCards");
  return Fake.OpenResult;
}

int32_t TARVEL_CALL CloseCards(void) {
  Call("CloseCards");
  return 0;
}

int32_t TARVEL_CALL GetCardCount(int32_t reserved) {
  Call("GetCardCount" + Numbers({reserved}));
  return Fake.CardCount;
}

int32_t TARVEL_CALL GetLineNumber(int32_t param1, int32_t param2) {
  Call("GetLineNumber" + Numbers({param1, param2}));
  return param2 + kLineOffset;
}

int32_t TARVEL_CALL WriteCardSetting(int32_t code, int32_t arg1, int32_t arg2, int32_t arg3,
                                     int32_t arg4, int32_t arg5) {
  Call("WriteCardSetting" + Numbers({code, arg1, arg2, arg3, arg4, arg5}));
  return 7;  // the tool does not look at it
}

// The console.

void WriteMessage(std::string_view gbk) {
  std::lock_guard<std::mutex> hold(Fake.Lock);
  if (Fake.KeepOutput) {
    Fake.Output.append(gbk);
  }
}

int ReadInputByte() {
  while (!Fake.Input.empty() && Fake.Input.front().IsEvent) {
    const auto event = Fake.Input.front().Event;
    Fake.Input.pop_front();
    Fake.Handler(event[0], event[1], event[2], event[3], event[4]);
  }
  if (Fake.Input.empty() && Fake.AnswerWhileSet) {
    return '\n';
  }
  if (Fake.Input.empty()) {
    ++Fake.ReadsAfterEnd;
    return -1;
  }
  std::string& bytes = Fake.Input.front().Bytes;
  const auto byte = static_cast<unsigned char>(bytes.front());
  bytes.erase(0, 1);
  if (bytes.empty()) {
    Fake.Input.pop_front();
  }
  return byte;
}

int ReadKey() {
  Call("ReadKey");
  return ReadInputByte();
}
