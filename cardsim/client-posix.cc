#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "cardsim/client.h"

namespace cardsim::client {
namespace {

constexpr time_t kReplyTimeoutSeconds = 10;

}  // namespace

platform::Socket ConnectPort(int port) {
  const int connection = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (connection < 0) return platform::kNoSocket;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  // A simulator that stops answering fails the read instead of hanging the caller.
  const timeval timeout{kReplyTimeoutSeconds, 0};
  setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  if (connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    const int error = errno;
    close(connection);
    errno = error;
    return platform::kNoSocket;
  }
  return connection;
}

bool ReadLine(platform::Socket connection, std::string* line) {
  // Byte by byte, so nothing after the line is taken from the connection.
  line->clear();
  char c;
  while (platform::Receive(connection, &c, 1) == 1) {
    if (c == '\n') return true;
    *line += c;
  }
  return false;
}

bool Request(platform::Socket connection, const std::string& command, std::string* reply) {
  return platform::SendAll(connection, command + "\n") && ReadLine(connection, reply);
}

}  // namespace cardsim::client
