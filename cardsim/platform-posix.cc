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

pthread_mutex_t g_lock = PTHREAD_MUTEX_INITIALIZER;

int fd(Socket socket) { return static_cast<int>(socket); }

struct ThreadStart {
  void (*body)(Socket);
  Socket socket;
};

void* run_thread(void* arg) {
  const ThreadStart start = *static_cast<ThreadStart*>(arg);
  delete static_cast<ThreadStart*>(arg);
  start.body(start.socket);
  return nullptr;
}

}  // namespace

std::optional<std::string> get_env(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

void lock() { pthread_mutex_lock(&g_lock); }
void unlock() { pthread_mutex_unlock(&g_lock); }

void append_file(const std::string& path, const std::string& text) {
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

Socket listen_loopback(int port, int* bound_port) {
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

bool wait_readable(const std::vector<Socket>& sockets, std::vector<bool>* ready) {
  std::vector<pollfd> polled;
  for (const Socket socket : sockets) polled.push_back({fd(socket), POLLIN, 0});
  while (poll(polled.data(), polled.size(), -1) < 0) {
    if (errno != EINTR) return false;
  }
  ready->clear();
  for (const pollfd& entry : polled) ready->push_back(entry.revents != 0);
  return true;
}

Socket accept_client(Socket listener) {
  while (true) {
    const int client = accept4(fd(listener), nullptr, nullptr, SOCK_CLOEXEC);
    if (client >= 0 || errno != EINTR) return client < 0 ? kNoSocket : client;
  }
}

std::ptrdiff_t receive(Socket socket, char* buffer, std::size_t size) {
  while (true) {
    const ssize_t count = recv(fd(socket), buffer, size, 0);
    if (count >= 0 || errno != EINTR) return count;
  }
}

bool send_all(Socket socket, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    // MSG_NOSIGNAL: a client that hung up must not raise SIGPIPE in the program.
    const ssize_t count = send(fd(socket), text.data() + done, text.size() - done, MSG_NOSIGNAL);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return false;
    done += static_cast<std::size_t>(count);
  }
  return true;
}

void close_socket(Socket socket) { close(fd(socket)); }

bool start_thread(void (*body)(Socket), Socket socket) {
  auto* start = new ThreadStart{body, socket};
  pthread_t thread;
  if (pthread_create(&thread, nullptr, run_thread, start) != 0) {
    delete start;
    return false;
  }
  pthread_detach(thread);
  return true;
}

}  // namespace cardsim::platform
