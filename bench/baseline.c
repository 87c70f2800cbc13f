// The floor the frame is measured against: the same visible job with nothing but Xlib and the
// shape extension. One full-screen override-redirect window, black, cut into four bands; Right and
// Left widen and narrow the side bands by one pixel, Escape quits. No glow, no fade, no settings.
#include <stdio.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <X11/keysym.h>

enum { kHorizontal = 20, kVertical = 50, kMinimum = 2 };

static void cut(Display* display, Window window, int width, int height, int side, int top) {
    const unsigned short w = (unsigned short)width, h = (unsigned short)(height - 2 * top);
    // Top, left, right, bottom: already in the banded order the server keeps regions in.
    XRectangle bands[4] = {
        {0, 0, w, (unsigned short)top},
        {0, (short)top, (unsigned short)side, h},
        {(short)(width - side), (short)top, (unsigned short)side, h},
        {0, (short)(height - top), w, (unsigned short)top},
    };
    XShapeCombineRectangles(display, window, ShapeBounding, 0, 0, bands, 4, ShapeSet, YXBanded);
    XFlush(display);
}

int main(void) {
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fputs("baseline: cannot open the display\n", stderr);
        return 1;
    }
    int shapeEvent, shapeError;
    if (!XShapeQueryExtension(display, &shapeEvent, &shapeError)) {
        fputs("baseline: the X server has no SHAPE extension\n", stderr);
        return 1;
    }
    const int screen = DefaultScreen(display);
    const int width = DisplayWidth(display, screen), height = DisplayHeight(display, screen);

    XSetWindowAttributes attributes = {
        .background_pixel = BlackPixel(display, screen),
        .override_redirect = True,
        .event_mask = KeyPressMask | StructureNotifyMask,
    };
    const Window window =
        XCreateWindow(display, RootWindow(display, screen), 0, 0, (unsigned)width, (unsigned)height,
                      0, CopyFromParent, InputOutput, CopyFromParent,
                      CWBackPixel | CWOverrideRedirect | CWEventMask, &attributes);
    int side = kHorizontal;
    cut(display, window, width, height, side, kVertical); // shaped before it shows: no flash
    XMapRaised(display, window);

    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify) {
            // No window manager hands out the focus: take it, as the frame does.
            XSetInputFocus(display, window, RevertToParent, CurrentTime);
        } else if (event.type == KeyPress) {
            const KeySym symbol = XLookupKeysym(&event.xkey, 0);
            if (symbol == XK_Escape) break;
            const int before = side;
            if (symbol == XK_Right && side < width / 2 - 1) ++side;
            if (symbol == XK_Left && side > kMinimum) --side;
            if (side != before) cut(display, window, width, height, side, kVertical);
        }
    }
    XCloseDisplay(display);
    return 0;
}
