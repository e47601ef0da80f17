// The native simulator library in this process, as the card order tool uses it: calls,
// the log another process reads, and events sent to the control port.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cardorder/tarvel.h"
#include "cardsim/client.h"
#include "cardsim/platform.h"
#include "cardsim/sim.h"

namespace {

using cardsim::CardEvent;
using cardsim::platform::kNoSocket;
using cardsim::platform::Socket;

std::mutex EventsLock;
std::vector<CardEvent> Events;

// Records each event and, as the card order tool does, asks the library for its line.
void TARVEL_CALL RecordEvent(int32_t code, int32_t param1, int32_t param2, int32_t param3,
                             int32_t param4) {
  GetLineNumber(param1, param2);
  std::lock_guard<std::mutex> hold(EventsLock);
  Events.push_back({code, param1, param2, param3, param4});
}

std::vector<CardEvent> RecordedEvents() {
  std::lock_guard<std::mutex> hold(EventsLock);
  return Events;
}

// One log per test process, so test runs side by side keep apart.
std::string LogPath() {
  return testing::TempDir() + "cardsim-simulator-test-" + std::to_string(getpid()) + ".log";
}

std::string ReadLog() {
  std::ifstream file(LogPath(), std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// The port named by the log's "Listening" line, or 0.
int ListeningPort() {
  const std::string log = ReadLog();
  const std::size_t at = log.find("Listening ");
  return at == std::string::npos ? 0 : std::stoi(log.substr(at + 10));
}

std::string Request(Socket connection, const std::string& command) {
  std::string reply;
  if (!cardsim::client::Request(connection, command, &reply)) return "(no reply)";
  return reply;
}

// Every test of this file shares one process-wide simulator, configured before its first
// call, whether the tests run in one process or each in its own.
class Simulator : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Once per process: the simulator reads its settings once and logs "Listening" once.
    static const bool configured = [] {
      std::atexit([] { std::remove(LogPath().c_str()); });
      setenv("TARVEL_SIM_LOG", LogPath().c_str(), 1);
      setenv("TARVEL_SIM_PORT", "0", 1);
      setenv("TARVEL_SIM_CARDS", "-40", 1);
      setenv("TARVEL_SIM_OPEN", "3", 1);
      return true;
    }();
    (void)configured;
  }

  void SetUp() override {
    std::lock_guard<std::mutex> hold(EventsLock);
    Events.clear();
  }

  // Registers the recording handler and returns the control port.
  int Start() {
    EXPECT_EQ(SetEventHandler(RecordEvent), 0);
    const int port = ListeningPort();
    EXPECT_GT(port, 0);
    return port;
  }

  // The log lines written since the last call.
  std::string NewLog() {
    const std::string log = ReadLog();
    std::string added = log.substr(Seen);
    Seen = log.size();
    return added;
  }

  std::size_t Seen = ReadLog().size();
};

TEST_F(Simulator, AnswersEachCallAsConfiguredAndLogsIt) {
  EXPECT_EQ(OpenCards(), 3);
  EXPECT_EQ(GetCardCount(0), -40);
  EXPECT_EQ(GetLineNumber(7, -9), -9);
  EXPECT_EQ(WriteCardSetting(0x3008, 0, 2, 1, 0, 0), 0);
  EXPECT_EQ(CloseCards(), 0);
  EXPECT_EQ(NewLog(),
            "OpenCards -> 3\n"
            "GetCardCount 0 -> -40\n"
            "GetLineNumber 7 -9 -> -9\n"
            "WriteCardSetting 12296 0 2 1 0 0 -> 0\n"
            "CloseCards -> 0\n");
}

TEST_F(Simulator, RefusesEventsWhileNoHandlerIsSet) {
  EXPECT_EQ(SetEventHandler(nullptr), 0);
  const int port = ListeningPort();
  ASSERT_GT(port, 0);
  const Socket connection = cardsim::client::ConnectPort(port);
  ASSERT_NE(connection, kNoSocket);
  EXPECT_EQ(Request(connection, "ring 1"), "err no handler");
  EXPECT_EQ(SetEventHandler(RecordEvent), 0);
  EXPECT_EQ(Request(connection, "ring 1"), "ok");
  cardsim::platform::CloseSocket(connection);
  EXPECT_EQ(RecordedEvents(), (std::vector<CardEvent>{{20, 0, 1, 0, 0}}));
}

TEST_F(Simulator, ServesCommandsOnEachConnectionAndHandsEventsToTheHandler) {
  const int port = Start();
  NewLog();

  const Socket first = cardsim::client::ConnectPort(port);
  ASSERT_NE(first, kNoSocket);
  EXPECT_EQ(Request(first, "event 1 -2 3 2147483647 -2147483648"), "ok");
  EXPECT_EQ(Request(first, "hangup 4"), "err unknown command");
  EXPECT_EQ(Request(first, "ring 4 4"), "err wrong argument count");
  EXPECT_EQ(Request(first, "offhook 4.0"), "err bad number");
  EXPECT_EQ(Request(first, "ring " + std::string(300, '1')), "err line too long");
  EXPECT_EQ(Request(first, "offhook 4\r"), "ok");

  // While the first client idles: a command split over writes, and two in one.
  const Socket second = cardsim::client::ConnectPort(port);
  ASSERT_NE(second, kNoSocket);
  ASSERT_TRUE(cardsim::platform::SendAll(second, "ri"));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(cardsim::platform::SendAll(second, "ng 2\r\noffhook 3\n"));
  std::string reply;
  EXPECT_TRUE(cardsim::client::ReadLine(second, &reply) && reply == "ok") << reply;
  EXPECT_TRUE(cardsim::client::ReadLine(second, &reply) && reply == "ok") << reply;
  cardsim::platform::CloseSocket(second);
  EXPECT_EQ(Request(first, "ring 5"), "ok");
  cardsim::platform::CloseSocket(first);

  EXPECT_EQ(RecordedEvents(), (std::vector<CardEvent>{{1, -2, 3, INT32_MAX, INT32_MIN},
                                                      {5, 1, 4, 0, 0},
                                                      {20, 0, 2, 0, 0},
                                                      {5, 1, 3, 0, 0},
                                                      {20, 0, 5, 0, 0}}));
  EXPECT_EQ(NewLog(),
            "Event 1 -2 3 2147483647 -2147483648\n"
            "GetLineNumber -2 3 -> 3\n"
            "Event 5 1 4 0 0\n"
            "GetLineNumber 1 4 -> 4\n"
            "Event 20 0 2 0 0\n"
            "GetLineNumber 0 2 -> 2\n"
            "Event 5 1 3 0 0\n"
            "GetLineNumber 1 3 -> 3\n"
            "Event 20 0 5 0 0\n"
            "GetLineNumber 0 5 -> 5\n");
}

// Runs cardsim-ctl with the arguments; returns its output and sets *status to its exit code.
std::string RunCtl(const std::string& arguments, int* status) {
  const std::string command = std::string(CARDSIM_CTL) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");  // NOLINT(cert-env33-c): runs the client under test
  if (pipe == nullptr) return "(popen failed)";
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  const int result = pclose(pipe);
  *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
  return output;
}

TEST_F(Simulator, CtlSendsOneCommandAndExitsOnTheReply) {
  const std::string port = std::to_string(Start());
  struct Case {
    std::string arguments;
    std::string output;
    bool ok;
  };
  const Case cases[] = {
      {port + " ring 6", "ok\n", true},
      {port + " event 7 1 2 3 4", "ok\n", true},
      {port + " ring six", "err bad number\n", false},
      {port + " event 1 2", "err wrong argument count\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    int status = -1;
    EXPECT_EQ(RunCtl(c.arguments, &status), c.output);
    EXPECT_EQ(status == 0, c.ok) << status;
  }
  EXPECT_EQ(RecordedEvents(), (std::vector<CardEvent>{{20, 0, 6, 0, 0}, {7, 1, 2, 3, 4}}));

  // A port nobody listens on: taken, then given back.
  int free_port = 0;
  const Socket listener = cardsim::platform::ListenLoopback(0, &free_port);
  ASSERT_NE(listener, kNoSocket);
  cardsim::platform::CloseSocket(listener);
  int status = 0;
  EXPECT_NE(RunCtl(std::to_string(free_port) + " ring 1", &status).find("cannot connect"),
            std::string::npos);
  EXPECT_NE(status, 0);
}

TEST_F(Simulator, KeepsLogLinesWholeWhileBothThreadsCall) {
  const int port = Start();
  NewLog();
  constexpr int kRounds = 200;
  std::thread sender([port] {
    const Socket connection = cardsim::client::ConnectPort(port);
    ASSERT_NE(connection, kNoSocket);
    for (int i = 0; i < kRounds; ++i) {
      ASSERT_EQ(Request(connection, "event 9 " + std::to_string(i) + " 0 0 0"), "ok");
    }
    cardsim::platform::CloseSocket(connection);
  });
  for (int i = 0; i < kRounds; ++i) GetCardCount(i);
  sender.join();

  // Each line is one of the expected ones, and each is there exactly once.
  std::multiset<std::string> want;
  for (int i = 0; i < kRounds; ++i) {
    const std::string n = std::to_string(i);
    want.insert("GetCardCount " + n + " -> -40");
    want.insert("Event 9 " + n + " 0 0 0");
    want.insert("GetLineNumber " + n + " 0 -> 0");
  }
  std::multiset<std::string> got;
  std::istringstream lines(NewLog());
  for (std::string line; std::getline(lines, line);) got.insert(line);
  EXPECT_EQ(got, want);
}

}  // namespace
