#include <errno.h>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <termios.h>
#include <unistd.h>

#include <string>

#include "card_console.h"

namespace {

void WriteAll(const char* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(STDOUT_FILENO, bytes, size);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return;
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
}

// The terminal's character set, from the user's locale settings.
const std::string& TerminalCharset() {
  static const std::string charset = [] {
    const locale_t user = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    std::string name = user ? nl_langinfo_l(CODESET, user) : "UTF-8";
    if (user) {
      freelocale(user);
    }
    return name;
  }();
  return charset;
}

// The GBK text in the terminal's character set; empty when it cannot be converted.
std::string ForTerminal(std::string_view gbk) {
  const iconv_t convert = iconv_open(TerminalCharset().c_str(), "GBK");
  // NOLINTNEXTLINE(performance-no-int-to-ptr): iconv's documented failure value
  if (convert == reinterpret_cast<iconv_t>(-1)) {
    return {};
  }
  std::string out(gbk.size() * 4, '\0');
  char* in_bytes = const_cast<char*>(gbk.data());
  std::size_t in_left = gbk.size();
  char* out_bytes = out.data();
  std::size_t out_left = out.size();
  const bool ok =
      iconv(convert, &in_bytes, &in_left, &out_bytes, &out_left) != static_cast<size_t>(-1);
  iconv_close(convert);
  out.resize(ok ? out.size() - out_left : 0);
  return out;
}

}  // namespace

void WriteMessage(std::string_view gbk) {
  if (isatty(STDOUT_FILENO)) {
    const std::string shown = ForTerminal(gbk);
    if (!shown.empty()) {
      WriteAll(shown.data(), shown.size());
      return;
    }
  }
  WriteAll(gbk.data(), gbk.size());
}

int ReadInputByte() {
  unsigned char byte = 0;
  ssize_t read_count;
  do {
    read_count = read(STDIN_FILENO, &byte, 1);
  } while (read_count < 0 && errno == EINTR);
  return read_count == 1 ? byte : -1;
}

int ReadKey() {
  termios saved;
  if (tcgetattr(STDIN_FILENO, &saved) != 0) {
    return ReadInputByte();
  }
  // Without canonical input the terminal hands over the first key pressed.
  termios raw = saved;
  raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  tcsetattr(STDIN_FILENO, TCSANOW, &raw);
  const int byte = ReadInputByte();
  tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  return byte;
}
