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
  int32_t Cards = 2;       // TARVEL_SIM_CARDS: what GetCardCount returns
  int32_t OpenResult = 0;  // TARVEL_SIM_OPEN: what OpenCards returns
  std::string LogPath;     // TARVEL_SIM_LOG: empty for no log
  int Port = -1;           // TARVEL_SIM_PORT: -1 for no control port, 0 for any free one
};

// Builds the configuration from the raw variable values (nullptr when unset). An
// empty or malformed value leaves that setting at its default.
Config MakeConfig(const char* cards, const char* open, const char* log, const char* port);

// The process-wide configuration, read from the environment on first use.
const Config& Settings();

// Strict signed 32-bit decimal: an optional '-' and digits, nothing else.
bool ParseInt32(std::string_view text, int32_t* value);

// A card event: the code, then the four parameters.
using CardEvent = std::array<int32_t, 5>;

// Parses one control-port command line (without its line end). Returns nullptr and
// fills *event on success, otherwise a short reason for the error reply.
const char* ParseCommand(std::string_view line, CardEvent* event);

// A log line: the name and the values, blank-separated, with its "\n".
std::string LogLine(const char* name, std::initializer_list<int32_t> values);
// A log line for a library call: as LogLine, then " -> " and the result.
std::string CallLine(const char* name, std::initializer_list<int32_t> args, int32_t result);

// Logs a library call and returns its result.
int32_t RecordCall(const char* name, std::initializer_list<int32_t> args, int32_t result);

// SetEventHandler: from now on events go to handler (none while it is nullptr). The
// first call opens the control port when one is configured.
void RegisterHandler(CardEventHandler handler);

}  // namespace cardsim
