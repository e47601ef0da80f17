// A client of the simulator's control port, for cardsim-ctl and the tests (POSIX only).
#pragma once

#include <string>

#include "cardsim/platform.h"

namespace cardsim::client {

// A connection to 127.0.0.1:port, or kNoSocket with errno set. Reads on it give up
// after 10 seconds without data.
platform::Socket ConnectPort(int port);
// Reads the next line, without its "\n"; false when the connection ends first.
bool ReadLine(platform::Socket connection, std::string* line);
// Sends one command line and reads its reply; false when no reply came.
bool Request(platform::Socket connection, const std::string& command, std::string* reply);

}  // namespace cardsim::client
