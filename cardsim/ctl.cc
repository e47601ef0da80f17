// cardsim-ctl PORT COMMAND...: sends one command to the card simulator's control port
// and prints the reply. Exits 0 when the simulator answered "ok".
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "cardsim/client.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: cardsim-ctl PORT COMMAND...\n");
    return 2;
  }
  const char* port_text = argv[1];
  const char* port_end = port_text + std::strlen(port_text);
  int port = 0;
  const auto [ptr, ec] = std::from_chars(port_text, port_end, port);
  if (ec != std::errc() || ptr != port_end || port < 1 || port > 65535) {
    std::fprintf(stderr, "cardsim-ctl: bad port: %s\n", port_text);
    return 2;
  }
  std::string command = argv[2];
  for (int i = 3; i < argc; ++i) command += std::string(" ") + argv[i];
  if (command.find_first_of("\r\n") != std::string::npos) {
    std::fprintf(stderr, "cardsim-ctl: a command is one line\n");
    return 2;
  }

  const cardsim::platform::Socket connection = cardsim::client::ConnectPort(port);
  if (connection == cardsim::platform::kNoSocket) {
    std::fprintf(stderr, "cardsim-ctl: cannot connect to 127.0.0.1:%d: %s\n", port,
                 std::strerror(errno));
    return 1;
  }
  std::string reply;
  const bool answered = cardsim::client::Request(connection, command, &reply);
  cardsim::platform::CloseSocket(connection);
  if (!answered) {
    std::fprintf(stderr, "cardsim-ctl: no reply from 127.0.0.1:%d\n", port);
    return 1;
  }
  std::printf("%s\n", reply.c_str());
  return reply == "ok" ? 0 : 1;
}
