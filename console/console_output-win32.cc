#include <windows.h>

#include <string>

#include "console_output.h"

bool StandardOutputIsConsole() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

void WriteConsoleText(const wchar_t* text, std::size_t length) {
  DWORD written = 0;
  WriteConsoleW(GetStdHandle(STD_OUTPUT_HANDLE), text, static_cast<DWORD>(length), &written,
                nullptr);
}

void WriteRedirectedText(const char* bytes, std::size_t length) {
  std::string out;
  out.reserve(length + length / 8);
  for (std::size_t i = 0; i < length; ++i) {
    if (bytes[i] == '\n') {
      out += '\r';
    }
    out += bytes[i];
  }
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), static_cast<DWORD>(out.size()), &written,
            nullptr);
}
