#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "cardsim/platform.h"

namespace cardsim::platform {
namespace {

pthread_mutex_t LogLock = PTHREAD_MUTEX_INITIALIZER;

int Fd(Socket socket) { return static_cast<int>(socket); }

struct ThreadStart {
  void (*Body)(Socket);
  Socket Argument;
};

void* RunThread(void* arg) {
  const ThreadStart start = *static_cast<ThreadStart*>(arg);
  delete static_cast<ThreadStart*>(arg);
  start.Body(start.Argument);
  return nullptr;
}

}  // namespace

std::optional<std::string> GetEnv(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

void Lock() { pthread_mutex_lock(&LogLock); }
void Unlock() { pthread_mutex_unlock(&LogLock); }

void AppendFile(const std::string& path, const std::string& text) {
  const int file = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (file < 0) return;
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t count = write(file, text.data() + done, text.size() - done);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    done += static_cast<std::size_t>(count);
  }
  close(file);
}

Socket ListenLoopback(int port, int* bound_port) {
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener < 0) return kNoSocket;
  const int on = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 8) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(listener);
    return kNoSocket;
  }
  *bound_port = ntohs(address.sin_port);
  return listener;
}

bool WaitReadable(const std::vector<Socket>& sockets, std::vector<bool>* ready) {
  std::vector<pollfd> polled;
  for (const Socket socket : sockets) polled.push_back({Fd(socket), POLLIN, 0});
  while (poll(polled.data(), polled.size(), -1) < 0) {
    if (errno != EINTR) return false;
  }
  ready->clear();
  for (const pollfd& entry : polled) ready->push_back(entry.revents != 0);
  return true;
}

Socket AcceptClient(Socket listener) {
  while (true) {
    const int client = accept4(Fd(listener), nullptr, nullptr, SOCK_CLOEXEC);
    if (client >= 0 || errno != EINTR) return client < 0 ? kNoSocket : client;
  }
}

std::ptrdiff_t Receive(Socket socket, char* buffer, std::size_t size) {
  while (true) {
    const ssize_t count = recv(Fd(socket), buffer, size, 0);
    if (count >= 0 || errno != EINTR) return count;
  }
}

bool SendAll(Socket socket, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    // MSG_NOSIGNAL: a client that hung up must not raise SIGPIPE in the program.
    const ssize_t count = send(Fd(socket), text.data() + done, text.size() - done, MSG_NOSIGNAL);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    done += static_cast<std::size_t>(count);
  }
  return true;
}

void CloseSocket(Socket socket) { close(Fd(socket)); }

bool StartThread(void (*body)(Socket), Socket socket) {
  auto* start = new ThreadStart{body, socket};
  pthread_t thread;
  if (pthread_create(&thread, nullptr, RunThread, start) != 0) {
    delete start;
    return false;
  }
  pthread_detach(thread);
  return true;
}

}  // namespace cardsim::platform
