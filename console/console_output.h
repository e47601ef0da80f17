// Standard output of the kit's Windows console programs. On a console, text goes in as
// UTF-16 so that Chinese shows correctly whatever the console's code page; redirected
// to a file or pipe, each program writes bytes of its own encoding, with "\n" written
// as "\r\n" as the C runtime's text mode does. Every call is one write, so lines from
// two threads never mix.
#pragma once

#include <cstddef>

bool StandardOutputIsConsole();
void WriteConsoleText(const wchar_t* text, std::size_t length);
void WriteRedirectedText(const char* bytes, std::size_t length);
