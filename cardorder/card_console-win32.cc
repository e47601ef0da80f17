#include <windows.h>

#include <string>

#include "card_console.h"
#include "console_output.h"

namespace {

constexpr UINT kGbkCodePage = 936;

}  // namespace

void WriteMessage(std::string_view gbk) {
  if (!StandardOutputIsConsole()) {
    WriteRedirectedText(gbk.data(), gbk.size());
    return;
  }
  // The console shows UTF-16 right whatever its own code page.
  const int size = static_cast<int>(gbk.size());
  const int length = MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), size, wide.data(), length);
  WriteConsoleText(wide.data(), wide.size());
}

int ReadInputByte() {
  unsigned char value = 0;
  DWORD read = 0;
  if (!ReadFile(GetStdHandle(STD_INPUT_HANDLE), &value, 1, &read, nullptr) || read == 0) {
    return -1;
  }
  return value;
}

int ReadKey() {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (!GetConsoleMode(input, &mode)) {
    return ReadInputByte();
  }
  // Without line input the console hands over the first key pressed, Enter or not.
  SetConsoleMode(input, mode & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT));
  const int key = ReadInputByte();
  SetConsoleMode(input, mode);
  return key;
}
