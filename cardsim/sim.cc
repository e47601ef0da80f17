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
  const char* word;
  std::size_t first_slot;
  std::size_t arg_count;
  CardEvent preset;
};

constexpr Command kCommands[] = {
    {"event", 0, 5, {0, 0, 0, 0, 0}},
    {"offhook", 2, 1, {5, 1, 0, 0, 0}},  // handset lifted on line L
    {"ring", 2, 1, {20, 0, 0, 0, 0}},    // line L rings
};

std::atomic<CardEventHandler> g_handler{nullptr};
std::atomic<bool> g_port_opened{false};

std::string joined(const char* name, std::initializer_list<int32_t> values) {
  std::string text = name;
  for (const int32_t value : values) text += ' ' + std::to_string(value);
  return text;
}

void write_log(const std::string& line) {
  const std::string& path = config().log_path;
  if (path.empty()) return;
  platform::lock();
  platform::append_file(path, line);
  platform::unlock();
}

std::vector<std::string_view> split_words(std::string_view line) {
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

std::string execute_command(std::string_view line) {
  CardEvent event;
  if (const char* error = parse_command(line, &event)) return std::string("err ") + error;
  const CardEventHandler handler = g_handler.load();
  if (handler == nullptr) return "err no handler";
  write_log(log_line("Event", {event[0], event[1], event[2], event[3], event[4]}));
  handler(event[0], event[1], event[2], event[3], event[4]);
  return "ok";
}

// A control-port connection and the part of a command line read from it so far.
struct Client {
  platform::Socket socket;
  std::string line;
  bool too_long;
};

// Answers each line completed by bytes from the client; false when it cannot be answered.
bool take_bytes(Client& client, const char* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (bytes[i] != '\n') {
      // One byte more than the limit is kept, so a "\r" before the "\n" still fits.
      if (client.line.size() <= kMaxLineLength) {
        client.line += bytes[i];
      } else {
        client.too_long = true;
      }
      continue;
    }
    std::string& line = client.line;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string reply = client.too_long || line.size() > kMaxLineLength
                                  ? "err line too long"
                                  : execute_command(line);
    if (!platform::send_all(client.socket, reply + "\n")) return false;
    line.clear();
    client.too_long = false;
  }
  return true;
}

// Serves every client on this one thread, so the handler sees one event at a time, always
// from here. An idle client does not hold up the others.
void serve_control_port(platform::Socket listener) {
  std::vector<Client> clients;
  std::vector<platform::Socket> watched;
  std::vector<bool> ready;
  while (true) {
    const std::size_t served = clients.size();
    watched.clear();
    for (const Client& client : clients) watched.push_back(client.socket);
    // With every place taken, new connections wait in the listener's queue.
    if (served < kMaxClients) watched.push_back(listener);
    if (!platform::wait_readable(watched, &ready)) break;

    for (std::size_t i = served; i-- > 0;) {
      if (!ready[i]) continue;
      char buffer[512];
      const std::ptrdiff_t count = platform::receive(clients[i].socket, buffer, sizeof buffer);
      if (count > 0 && take_bytes(clients[i], buffer, static_cast<std::size_t>(count))) continue;
      platform::close_socket(clients[i].socket);
      clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(i));
    }
    if (served < kMaxClients && ready[served]) {
      const platform::Socket client = platform::accept_client(listener);
      if (client != platform::kNoSocket) clients.push_back({client, std::string(), false});
    }
  }
  for (const Client& client : clients) platform::close_socket(client.socket);
  platform::close_socket(listener);
}

void open_control_port() {
  const int port = config().port;
  if (port < 0) return;
  int bound_port = 0;
  const platform::Socket listener = platform::listen_loopback(port, &bound_port);
  if (listener == platform::kNoSocket) return;
  write_log(log_line("Listening", {bound_port}));
  if (!platform::start_thread(serve_control_port, listener)) platform::close_socket(listener);
}

}  // namespace

bool parse_int32(std::string_view text, int32_t* value) {
  const char* end = text.data() + text.size();
  int32_t parsed = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), end, parsed);
  if (ec != std::errc() || ptr != end) return false;
  *value = parsed;
  return true;
}

Config make_config(const char* cards, const char* open, const char* log, const char* port) {
  Config result;
  if (cards) parse_int32(cards, &result.cards);
  if (open) parse_int32(open, &result.open_result);
  if (log) result.log_path = log;
  int32_t port_number = 0;
  if (port && parse_int32(port, &port_number) && port_number >= 0 && port_number <= 65535) {
    result.port = port_number;
  }
  return result;
}

const Config& config() {
  // Never destroyed: the control-port thread may still use it while the process exits.
  static const Config* const loaded = [] {
    const auto cards = platform::get_env("TARVEL_SIM_CARDS");
    const auto open = platform::get_env("TARVEL_SIM_OPEN");
    const auto log = platform::get_env("TARVEL_SIM_LOG");
    const auto port = platform::get_env("TARVEL_SIM_PORT");
    const auto c_str = [](const std::optional<std::string>& value) {
      return value ? value->c_str() : nullptr;
    };
    return new Config(make_config(c_str(cards), c_str(open), c_str(log), c_str(port)));
  }();
  return *loaded;
}

const char* parse_command(std::string_view line, CardEvent* event) {
  const std::vector<std::string_view> words = split_words(line);
  if (words.empty()) return "empty line";
  for (const Command& command : kCommands) {
    if (words[0] != command.word) continue;
    if (words.size() != command.arg_count + 1) return "wrong argument count";
    CardEvent parsed = command.preset;
    for (std::size_t i = 0; i < command.arg_count; ++i) {
      if (!parse_int32(words[i + 1], &parsed[command.first_slot + i])) return "bad number";
    }
    *event = parsed;
    return nullptr;
  }
  return "unknown command";
}

std::string log_line(const char* name, std::initializer_list<int32_t> values) {
  return joined(name, values) + '\n';
}

std::string call_line(const char* name, std::initializer_list<int32_t> args, int32_t result) {
  return joined(name, args) + " -> " + std::to_string(result) + '\n';
}

int32_t record_call(const char* name, std::initializer_list<int32_t> args, int32_t result) {
  write_log(call_line(name, args, result));
  return result;
}

void register_handler(CardEventHandler handler) {
  g_handler.store(handler);
  write_log(log_line("SetEventHandler", {}));
  if (!g_port_opened.exchange(true)) open_control_port();
}

}  // namespace cardsim
