#include "say.h"

#include <cstdio>
#include <cstring>

#include "card_console.h"

void Say(const char* message) { WriteMessage({message, std::strlen(message)}); }

void Say(const char* format, std::int32_t first, std::int32_t second) {
  // The longest message with two numbers in it fits many times over.
  char text[512];
  const int length = std::snprintf(text, sizeof text, format, first, second);
  if (length > 0) {
    WriteMessage({text, static_cast<std::size_t>(length)});
  }
}
