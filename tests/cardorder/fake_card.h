// A scripted voice-card library and console for the card order tool. A test queues
// input: bytes, and events that the "library" hands to the registered handler when
// the tool next reads, as a real library does while the tool waits for an answer.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "tarvel.h"

struct FakeCard {
  // Set up by the tests.
  std::int32_t OpenResult = 0;
  std::int32_t CardCount = 2;
  bool KeepOutput = true;
  // While set, an empty input answers every read with an empty line.
  std::atomic<bool> AnswerWhileSet{false};

  // Recorded: the library calls in order ("GetLineNumber 1 7", "ReadKey" for the key
  // read before exit), and what the tool wrote, as GBK bytes.
  CardEventHandler Handler = nullptr;
  std::vector<std::string> Calls;
  std::string Output;
  int ReadsAfterEnd = 0;

  struct Chunk {
    bool IsEvent;
    std::array<std::int32_t, 5> Event;
    std::string Bytes;
  };
  std::deque<Chunk> Input;
  std::mutex Lock;  // the handler may write from another thread
};

extern FakeCard Fake;

// The fake library's GetLineNumber gives the second parameter plus this, so a test
// tells the line the library reports from the event's own parameters.
inline constexpr std::int32_t kLineOffset = 100;

// Reads that may meet the end of input in one run: the one that ends the last line, the
// answer that finds no line left, and the key before exit. More means a loop spins.
inline constexpr int kReadsAtEnd = 3;

// Starts a test afresh: the fake, and the tool's process-wide state as at start-up.
void ResetCardOrder();

void QueueBytes(const std::string& bytes);
void QueueLine(const std::string& line);  // the line and "\n"
void QueueEvent(std::int32_t code, std::int32_t param1, std::int32_t param2,
                std::int32_t param3 = 0, std::int32_t param4 = 0);
void QueueOffHook(std::int32_t param2);  // event 5 with first parameter 1
void QueueRing(std::int32_t param2);     // event 20

// The tool's output so far as UTF-8.
std::string OutputUtf8();
