// The card simulator: a stand-in for the maker's voice-card library in tests and
// demos. This part is portable; what differs between systems is in platform.h.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "cardorder/tarvel.h"

namespace cardsim {

// What the simulator answers and where it reports, taken from the environment.
struct Config {
  int32_t cards = 2;        // TARVEL_SIM_CARDS: what GetCardCount returns
  int32_t open_result = 0;  // TARVEL_SIM_OPEN: what OpenCards returns
  std::string log_path;     // TARVEL_SIM_LOG: empty for no log
  int port = -1;            // TARVEL_SIM_PORT: -1 for no control port, 0 for any free one
};

// Builds the configuration from the raw variable values (nullptr when unset). An
// empty or malformed value leaves that setting at its default.
Config make_config(const char* cards, const char* open, const char* log, const char* port);

// The process-wide configuration, read from the environment on first use.
const Config& config();

// Strict signed 32-bit decimal: an optional '-' and digits, nothing else.
bool parse_int32(std::string_view text, int32_t* value);

// A card event: the code, then the four parameters.
using CardEvent = std::array<int32_t, 5>;

// Parses one control-port command line (without its line end). Returns nullptr and
// fills *event on success, otherwise a short reason for the error reply.
const char* parse_command(std::string_view line, CardEvent* event);

// A log line: the name and the values, blank-separated, with its "\n".
std::string log_line(const char* name, std::initializer_list<int32_t> values);
// A log line for a library call: as log_line, then " -> " and the result.
std::string call_line(const char* name, std::initializer_list<int32_t> args, int32_t result);

// Logs a library call and returns its result.
int32_t record_call(const char* name, std::initializer_list<int32_t> args, int32_t result);

// SetEventHandler: from now on events go to handler (none while it is nullptr). The
// first call opens the control port when one is configured.
void register_handler(CardEventHandler handler);

}  // namespace cardsim
