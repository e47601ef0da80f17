// Writes one of the tool's messages (messages_gbk.h), with up to two numbers filled in
// for its %d, in a single write.
#pragma once

#include <cstdint>

void Say(const char* message);
void Say(const char* format, std::int32_t first, std::int32_t second = 0);
