#include "cardsim/sim.h"

#include <atomic>
#include <charconv>
#include <cstddef>
#include <vector>

#include "cardsim/platform.h"

namespace cardsim {
namespace {

// Longest command line taken, not counting its line end; longer ones get an error.
constexpr std::size_t kMaxLineLength = 256;
// Control-port clients served at once.
constexpr std::size_t kMaxClients = 16;

// A control-port command: its word, how many numbers follow, where they go in the event,
// and the event's other values.
struct Command {
  const char* Word;
  std::size_t FirstSlot;
  std::size_t ArgCount;
  CardEvent Preset;
};

constexpr Command kCommands[] = {
    {"event", 0, 5, {0, 0, 0, 0, 0}},
    {"offhook", 2, 1, {5, 1, 0, 0, 0}},  // handset lifted on line L
    {"ring", 2, 1, {20, 0, 0, 0, 0}},    // line L rings
};

std::atomic<CardEventHandler> RegisteredHandler{nullptr};
std::atomic<bool> ControlPortOpened{false};

std::string Joined(const char* name, std::initializer_list<int32_t> values) {
  std::string text = name;
  for (const int32_t value : values) text += ' ' + std::to_string(value);
  return text;
}

void WriteLog(const std::string& line) {
  const std::string& path = Settings().LogPath;
  if (path.empty()) return;
  platform::Lock();
  platform::AppendFile(path, line);
  platform::Unlock();
}

std::vector<std::string_view> SplitWords(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t pos = 0;
  while (true) {
    pos = line.find_first_not_of(" \t", pos);
    if (pos == std::string_view::npos) return words;
    const std::size_t end = line.find_first_of(" \t", pos);
    words.push_back(line.substr(pos, end == std::string_view::npos ? end : end - pos));
    if (end == std::string_view::npos) return words;
    pos = end;
  }
}

std::string ExecuteCommand(std::string_view line) {
  CardEvent event;
  if (const char* error = ParseCommand(line, &event)) return std::string("err ") + error;
  const CardEventHandler handler = RegisteredHandler.load();
  if (handler == nullptr) return "err no handler";
  WriteLog(LogLine("Event", {event[0], event[1], event[2], event[3], event[4]}));
  handler(event[0], event[1], event[2], event[3], event[4]);
  return "ok";
}

// A control-port connection and the part of a command line read from it so far.
struct Client {
  platform::Socket Connection;
  std::string Line;
  bool TooLong;
};

// Answers each line completed by bytes from the client; false when it cannot be answered.
bool TakeBytes(Client& client, const char* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (bytes[i] != '\n') {
      // One byte more than the limit is kept, so a "\r" before the "\n" still fits.
      if (client.Line.size() <= kMaxLineLength) {
        client.Line += bytes[i];
      } else {
        client.TooLong = true;
      }
      continue;
    }
    std::string& line = client.Line;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string reply =
        client.TooLong || line.size() > kMaxLineLength ? "err line too long" : ExecuteCommand(line);
    if (!platform::SendAll(client.Connection, reply + "\n")) return false;
    line.clear();
    client.TooLong = false;
  }
  return true;
}

// Serves every client on this one thread, so the handler sees one event at a time, always
// from here. An idle client does not hold up the others.
void ServeControlPort(platform::Socket listener) {
  std::vector<Client> clients;
  std::vector<platform::Socket> watched;
  std::vector<bool> ready;
  while (true) {
    const std::size_t served = clients.size();
    watched.clear();
    for (const Client& client : clients) watched.push_back(client.Connection);
    // With every place taken, new connections wait in the listener's queue.
    if (served < kMaxClients) watched.push_back(listener);
    if (!platform::WaitReadable(watched, &ready)) break;

    for (std::size_t i = served; i-- > 0;) {
      if (!ready[i]) continue;
      char buffer[512];
      const std::ptrdiff_t count = platform::Receive(clients[i].Connection, buffer, sizeof buffer);
      if (count > 0 && TakeBytes(clients[i], buffer, static_cast<std::size_t>(count))) continue;
      platform::CloseSocket(clients[i].Connection);
      clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(i));
    }
    if (served < kMaxClients && ready[served]) {
      const platform::Socket client = platform::AcceptClient(listener);
      if (client != platform::kNoSocket) clients.push_back({client, std::string(), false});
    }
  }
  for (const Client& client : clients) platform::CloseSocket(client.Connection);
  platform::CloseSocket(listener);
}

void OpenControlPort() {
  const int port = Settings().Port;
  if (port < 0) return;
  int bound_port = 0;
  const platform::Socket listener = platform::ListenLoopback(port, &bound_port);
  if (listener == platform::kNoSocket) return;
  WriteLog(LogLine("Listening", {bound_port}));
  if (!platform::StartThread(ServeControlPort, listener)) platform::CloseSocket(listener);
}

}  // namespace

bool ParseInt32(std::string_view text, int32_t* value) {
  const char* end = text.data() + text.size();
  int32_t parsed = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), end, parsed);
  if (ec != std::errc() || ptr != end) return false;
  *value = parsed;
  return true;
}

Config MakeConfig(const char* cards, const char* open, const char* log, const char* port) {
  Config result;
  if (cards) ParseInt32(cards, &result.Cards);
  if (open) ParseInt32(open, &result.OpenResult);
  if (log) result.LogPath = log;
  int32_t port_number = 0;
  if (port && ParseInt32(port, &port_number) && port_number >= 0 && port_number <= 65535) {
    result.Port = port_number;
  }
  return result;
}

const Config& Settings() {
  // Never destroyed: the control-port thread may still use it while the process exits.
  static const Config* const loaded = [] {
    const auto cards = platform::GetEnv("TARVEL_SIM_CARDS");
    const auto open = platform::GetEnv("TARVEL_SIM_OPEN");
    const auto log = platform::GetEnv("TARVEL_SIM_LOG");
    const auto port = platform::GetEnv("TARVEL_SIM_PORT");
    const auto c_str = [](const std::optional<std::string>& value) {
      return value ? value->c_str() : nullptr;
    };
    return new Config(MakeConfig(c_str(cards), c_str(open), c_str(log), c_str(port)));
  }();
  return *loaded;
}

const char* ParseCommand(std::string_view line, CardEvent* event) {
  const std::vector<std::string_view> words = SplitWords(line);
  if (words.empty()) return "empty line";
  for (const Command& command : kCommands) {
    if (words[0] != command.Word) continue;
    if (words.size() != command.ArgCount + 1) return "wrong argument count";
    CardEvent parsed = command.Preset;
    for (std::size_t i = 0; i < command.ArgCount; ++i) {
      if (!ParseInt32(words[i + 1], &parsed[command.FirstSlot + i])) return "bad number";
    }
    *event = parsed;
    return nullptr;
  }
  return "unknown command";
}

std::string LogLine(const char* name, std::initializer_list<int32_t> values) {
  return Joined(name, values) + '\n';
}

std::string CallLine(const char* name, std::initializer_list<int32_t> args, int32_t result) {
  return Joined(name, args) + " -> " + std::to_string(result) + '\n';
}

int32_t RecordCall(const char* name, std::initializer_list<int32_t> args, int32_t result) {
  WriteLog(CallLine(name, args, result));
  return result;
}

void RegisterHandler(CardEventHandler handler) {
  RegisteredHandler.store(handler);
  WriteLog(LogLine("SetEventHandler", {}));
  if (!ControlPortOpened.exchange(true)) OpenControlPort();
}

}  // namespace cardsim
