// winsock2.h must come before windows.h.
#include <winsock2.h>

#include <windows.h>

#include "cardsim/platform.h"

namespace cardsim::platform {
namespace {

SOCKET Handle(Socket socket) { return static_cast<SOCKET>(socket); }

CRITICAL_SECTION& LogSection() {
  static CRITICAL_SECTION section;
  static const bool ready = (InitializeCriticalSection(&section), true);
  (void)ready;
  return section;
}

struct ThreadStart {
  void (*Body)(Socket);
  Socket Argument;
};

DWORD WINAPI RunThread(LPVOID arg) {
  const ThreadStart start = *static_cast<ThreadStart*>(arg);
  delete static_cast<ThreadStart*>(arg);
  start.Body(start.Argument);
  return 0;
}

}  // namespace

std::optional<std::string> GetEnv(const char* name) {
  // The process environment itself, not a C runtime's copy of it.
  std::string value(64, '\0');
  while (true) {
    SetLastError(ERROR_SUCCESS);
    const DWORD length =
        GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size()));
    if (length == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    if (length < value.size()) {
      value.resize(length);
      return value;
    }
    value.resize(length);
  }
}

void Lock() { EnterCriticalSection(&LogSection()); }
void Unlock() { LeaveCriticalSection(&LogSection()); }

void AppendFile(const std::string& path, const std::string& text) {
  // Append-only access puts every write at the end of the file; sharing lets other
  // processes read the log while the program runs.
  const HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

Socket ListenLoopback(int port, int* bound_port) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return kNoSocket;
  const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener == INVALID_SOCKET) return kNoSocket;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 8) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    closesocket(listener);
    return kNoSocket;
  }
  *bound_port = ntohs(address.sin_port);
  return static_cast<Socket>(listener);
}

bool WaitReadable(const std::vector<Socket>& sockets, std::vector<bool>* ready) {
  fd_set readable;
  FD_ZERO(&readable);
  for (const Socket socket : sockets) FD_SET(Handle(socket), &readable);
  if (select(0, &readable, nullptr, nullptr, nullptr) == SOCKET_ERROR) return false;
  ready->clear();
  for (const Socket socket : sockets) ready->push_back(FD_ISSET(Handle(socket), &readable) != 0);
  return true;
}

Socket AcceptClient(Socket listener) {
  const SOCKET client = accept(Handle(listener), nullptr, nullptr);
  return client == INVALID_SOCKET ? kNoSocket : static_cast<Socket>(client);
}

std::ptrdiff_t Receive(Socket socket, char* buffer, std::size_t size) {
  return recv(Handle(socket), buffer, static_cast<int>(size), 0);
}

bool SendAll(Socket socket, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const int count =
        send(Handle(socket), text.data() + done, static_cast<int>(text.size() - done), 0);
    if (count <= 0) return false;
    done += static_cast<std::size_t>(count);
  }
  return true;
}

void CloseSocket(Socket socket) { closesocket(Handle(socket)); }

bool StartThread(void (*body)(Socket), Socket socket) {
  auto* start = new ThreadStart{body, socket};
  const HANDLE thread = CreateThread(nullptr, 0, RunThread, start, 0, nullptr);
  if (thread == nullptr) {
    delete start;
    return false;
  }
  CloseHandle(thread);
  return true;
}

}  // namespace cardsim::platform
