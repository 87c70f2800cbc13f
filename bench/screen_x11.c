// The probe's screen on an X server: XGetImage of the root window, keys through XTest.
#include <stdlib.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include "screen.h"

static Display* display;
static Window root;

void screenOpen(int* width, int* height) {
    display = XOpenDisplay(NULL);
    if (!display) fail("cannot open display %s", getenv("DISPLAY") ? getenv("DISPLAY") : "(unset)");
    int event, error, major, minor;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor))
        fail("the X server has no XTEST extension");
    root = DefaultRootWindow(display);
    *width = DisplayWidth(display, DefaultScreen(display));
    *height = DisplayHeight(display, DefaultScreen(display));
    // A key held while the program is slow must not repeat.
    XKeyboardControl keyboard = {.auto_repeat_mode = AutoRepeatModeOff};
    XChangeKeyboardControl(display, KBAutoRepeatMode, &keyboard);
}

void screenClose(void) {
    XCloseDisplay(display);
}

void screenColumn(int x, int top, int count, uint32_t* colours) {
    XImage* image = XGetImage(display, root, x, top, 1, (unsigned)count, AllPlanes, ZPixmap);
    if (!image) fail("XGetImage failed on column %d, rows %d to %d", x, top, top + count);
    for (int y = 0; y < count; ++y)
        colours[y] = (uint32_t)XGetPixel(image, 0, y) & 0xFFFFFFu;
    XDestroyImage(image);
}

void screenKey(ScreenKey key, bool down) {
    static const KeySym symbols[] = {
        [kKeyRight] = XK_Right, [kKeyLeft] = XK_Left, [kKeyEscape] = XK_Escape};
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, symbols[key]), down, CurrentTime);
    XFlush(display);
}
