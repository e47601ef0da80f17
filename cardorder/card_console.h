// What the card order tool needs of the console. card_console-win32.cc and
// card_console-posix.cc implement it; the unit tests script a fake.
#pragma once

#include <string_view>

// Writes GBK text to standard output in one write, at once: a person or a program at
// the other end sees every prompt before the tool waits for an answer.
void WriteMessage(std::string_view gbk);

// The next byte of standard input, or -1 at its end.
int ReadInputByte();

// The single key read before the tool ends, or -1 at the end of input. On a console it
// answers to any key, not only Enter.
int ReadKey();
