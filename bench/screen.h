// What the probe needs of a display: the screen's pixels and a keyboard to type with. One
// implementation per display system, linked into its own probe.
#pragma once

#include <stdbool.h>
#include <stdint.h>

typedef enum { kKeyRight, kKeyLeft, kKeyEscape } ScreenKey;

// Connects, or ends the probe with a message; the size of the screen read.
void screenOpen(int* width, int* height);
void screenClose(void);
// The colours, as 0xRRGGBB, of `count` pixels of column x from row top down, as shown on screen.
void screenColumn(int x, int top, int count, uint32_t* colours);
void screenKey(ScreenKey key, bool down);

// Ends the probe, and the program it started, with a message on stderr (probe.c).
void fail(const char* format, ...) __attribute__((noreturn, format(printf, 1, 2)));
