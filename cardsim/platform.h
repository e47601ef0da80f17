// What the card simulator needs from the system, one implementation per platform
// (platform-posix.cc, platform-win32.cc), chosen by the build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cardsim::platform {

// The value of an environment variable, if it is set.
std::optional<std::string> GetEnv(const char* name);

// The process-wide lock that keeps log lines whole and in order.
void Lock();
void Unlock();

// Appends text to the file at path, creating it, unbuffered: another process reading the
// file sees the text once the call returns. Failures are ignored: the log must never
// disturb the program.
void AppendFile(const std::string& path, const std::string& text);

// A socket handle; kNoSocket when there is none.
using Socket = std::intptr_t;
constexpr Socket kNoSocket = -1;

// A listening TCP socket on 127.0.0.1:port (0: any free port), or kNoSocket. Sets
// *bound_port to the port actually taken.
Socket ListenLoopback(int port, int* bound_port);
// Waits until at least one of the sockets (at most 64) has something to read, a
// connection to take or a hang-up, and sets (*ready)[i] for each such one. False when
// waiting fails.
bool WaitReadable(const std::vector<Socket>& sockets, std::vector<bool>* ready);
// The connection waiting on the listener, or kNoSocket when it could not be taken.
Socket AcceptClient(Socket listener);
// Reads up to size bytes: the count, 0 at the end of the stream, negative on error.
std::ptrdiff_t Receive(Socket socket, char* buffer, std::size_t size);
// Writes all of text; false on error.
bool SendAll(Socket socket, const std::string& text);
void CloseSocket(Socket socket);

// Runs body(socket) on a new detached thread, which does not keep the process alive.
bool StartThread(void (*body)(Socket), Socket socket);

}  // namespace cardsim::platform
