// The six operations of the voice-card library Tarvel.dll that the card order tool
// uses. The tool binds them when it is loaded, by ordinal only (tarvel.def), so the
// program does not start when the library or one of them is missing.
//
// On 32-bit Windows the operations and the event handler use the __stdcall (WINAPI)
// calling convention; elsewhere the platform's default one.
#pragma once

#include <cstdint>

#if defined(_WIN32) && defined(__i386__)
#define TARVEL_CALL __stdcall
#else
#define TARVEL_CALL
#endif

extern "C" {

// Called by the library, on a thread of its choosing, for every card event: the event
// code, then the four event parameters.
typedef void(TARVEL_CALL* CardEventHandler)(int32_t code, int32_t param1, int32_t param2,
                                            int32_t param3, int32_t param4);

// Ordinal 1: from now on every card event reaches the handler.
int32_t TARVEL_CALL SetEventHandler(CardEventHandler handler);
// Ordinal 3: 0 when the cards are open, anything else on failure.
int32_t TARVEL_CALL OpenCards(void);
// Ordinal 4: the last call of every run that opened the cards.
int32_t TARVEL_CALL CloseCards(void);
// Ordinal 7: the number of voice cards in the machine; the tool passes 0.
int32_t TARVEL_CALL GetCardCount(int32_t reserved);
// Ordinal 70: the line an event belongs to, from its first two parameters.
int32_t TARVEL_CALL GetLineNumber(int32_t param1, int32_t param2);
// Ordinal 122: records a setting; the tool writes (0x3008, 0, position, line, 0, 0).
int32_t TARVEL_CALL WriteCardSetting(int32_t code, int32_t arg1, int32_t arg2, int32_t arg3,
                                     int32_t arg4, int32_t arg5);

}  // extern "C"
