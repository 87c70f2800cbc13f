// Reads the pixels of an X screen for end-to-end tests, fast enough to follow a 25 ms fade on a
// busy machine: one connection for the whole watch, one small XGetImage per sample.
//   xpixels grab X Y W H FILE     the area as a binary PPM, written whole or not at all
//   xpixels read FILE X Y [X Y]…  the colour of each point of a PPM, one "r,g,b" a line
//   xpixels watch X Y W H TIMEOUT_MS [--until R,G,B [--after-other]] [--changes N] [--settle MS]
//                 [--save PREFIX]
//     prints "MS VALUE" for what the area shows at the start (MS 0) and at each change after,
//     MS counted on the monotonic clock from the start; VALUE is "r,g,b" for one pixel, a hash of
//     the pixels for a larger area. It stops once the area changes to R,G,B (one pixel; with
//     --after-other, only once it has changed to another colour first), or after N changes.
//     --settle: a change counts once the area has held it MS ms (a half-painted area does not), and
//     is dated when it first showed. --save: each value counted is also written as PREFIX-K.ppm, K
//     from 0.
//   xpixels window X Y W H [--maximized]  another program's window there, until the display goes;
//     it prints "mapped", "keyboard enter", "keyboard leave", "key CODE" and "button N X Y" (X Y of
//     the screen) as it receives them. --maximized: undecorated, and maximized by the window
//     manager; it prints "geometry X Y W H" (of the screen) each time it is laid out anew
// Every failure says why on stderr and exits non-zero: no display, an area outside the screen, a
// condition not met before the timeout (status 1), a bad argument or an unreadable file (2).
#define _POSIX_C_SOURCE 200809L // clock_gettime, nanosleep
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <errno.h>
#include <inttypes.h>
#include <stdarg.h>
#include <stdbool.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

enum { timed_out = 1, unusable = 2 };
enum { sample_pause_us = 1000 };

static _Noreturn void fail(int status, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    fputs("xpixels: ", stderr);
    vfprintf(stderr, format, arguments);
    fputc('\n', stderr);
    va_end(arguments);
    exit(status);
}

static long number(const char* text, const char* what) {
    char* end;
    errno = 0;
    long value = strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0')
        fail(unusable, "%s is \"%s\", not a number", what, text);
    return value;
}

static double now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1000.0 + (double)t.tv_nsec / 1e6;
}

typedef struct {
    int width, height;
    unsigned char* rgb; // width * height * 3 bytes
} Picture;

static int x_error(Display* display, XErrorEvent* error) {
    char text[200];
    XGetErrorText(display, error->error_code, text, sizeof text);
    fail(unusable, "the X server refused a request: %s", text);
}

static Display* open_display(void) {
    const char* name = getenv("DISPLAY");
    Display* display = XOpenDisplay(NULL);
    if (display == NULL) fail(unusable, "cannot open display \"%s\"", name != NULL ? name : "");
    XSetErrorHandler(x_error);
    return display;
}

typedef struct {
    long x, y, width, height;
} Area;

static Area area_of(char** arguments, Display* display) {
    Area area = {number(arguments[0], "x"), number(arguments[1], "y"),
                 number(arguments[2], "width"), number(arguments[3], "height")};
    Screen* screen = DefaultScreenOfDisplay(display);
    if (area.x < 0 || area.y < 0 || area.width <= 0 || area.height <= 0 ||
        area.x + area.width > WidthOfScreen(screen) ||
        area.y + area.height > HeightOfScreen(screen))
        fail(unusable, "%ldx%ld at (%ld,%ld) lies outside the %dx%d screen", area.width,
             area.height, area.x, area.y, WidthOfScreen(screen), HeightOfScreen(screen));
    return area;
}

static int shift_of(unsigned long mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

// The area as 8-bit RGB, whatever the visual's masks.
static void sample(Display* display, Area area, Picture* picture) {
    XImage* image = XGetImage(display, DefaultRootWindow(display), (int)area.x, (int)area.y,
                              (unsigned)area.width, (unsigned)area.height, AllPlanes, ZPixmap);
    if (image == NULL) fail(unusable, "the X server returned no image");
    const unsigned long masks[3] = {image->red_mask, image->green_mask, image->blue_mask};
    unsigned char* out = picture->rgb;
    for (int row = 0; row < image->height; ++row)
        for (int column = 0; column < image->width; ++column) {
            unsigned long pixel = XGetPixel(image, column, row);
            for (int c = 0; c < 3; ++c) {
                unsigned long top = masks[c] >> shift_of(masks[c]);
                *out++ = (unsigned char)(((pixel & masks[c]) >> shift_of(masks[c])) * 255 / top);
            }
        }
    XDestroyImage(image);
}

static Picture new_picture(Area area) {
    Picture picture = {(int)area.width, (int)area.height,
                       malloc((size_t)(area.width * area.height * 3))};
    if (picture.rgb == NULL)
        fail(unusable, "out of memory for a %ldx%ld area", area.width, area.height);
    return picture;
}

// Written beside the file, then renamed: a reader never sees half an image.
static void write_ppm(const Picture* picture, const char* file) {
    size_t length = strlen(file) + 5;
    char* partial = malloc(length);
    if (partial == NULL) fail(unusable, "out of memory");
    snprintf(partial, length, "%s.new", file);
    FILE* out = fopen(partial, "wb");
    if (out == NULL) fail(unusable, "cannot write %s: %s", partial, strerror(errno));
    size_t bytes = (size_t)picture->width * (size_t)picture->height * 3;
    if (fprintf(out, "P6\n%d %d\n255\n", picture->width, picture->height) < 0 ||
        fwrite(picture->rgb, 1, bytes, out) != bytes || fclose(out) != 0 ||
        rename(partial, file) != 0)
        fail(unusable, "cannot write %s: %s", file, strerror(errno));
    free(partial);
}

static Picture read_ppm(const char* file) {
    FILE* in = fopen(file, "rb");
    if (in == NULL) fail(unusable, "cannot read %s: %s", file, strerror(errno));
    Picture picture = {0, 0, NULL};
    int depth = 0;
    if (fscanf(in, "P6 %d %d %d", &picture.width, &picture.height, &depth) != 3 || depth != 255 ||
        fgetc(in) == EOF || picture.width <= 0 || picture.height <= 0)
        fail(unusable, "%s is no 8-bit binary PPM", file);
    size_t bytes = (size_t)picture.width * (size_t)picture.height * 3;
    picture.rgb = malloc(bytes);
    if (picture.rgb == NULL || fread(picture.rgb, 1, bytes, in) != bytes)
        fail(unusable, "%s ends before its %dx%d pixels", file, picture.width, picture.height);
    fclose(in);
    return picture;
}

static void value_of(const Picture* picture, char* text, size_t size) {
    if (picture->width == 1 && picture->height == 1) {
        snprintf(text, size, "%d,%d,%d", picture->rgb[0], picture->rgb[1], picture->rgb[2]);
        return;
    }
    uint64_t hash = 14695981039346656037u; // FNV-1a
    for (size_t i = 0; i < (size_t)picture->width * (size_t)picture->height * 3; ++i)
        hash = (hash ^ picture->rgb[i]) * 1099511628211u;
    snprintf(text, size, "%016" PRIx64, hash);
}

static int grab(int count, char** arguments) {
    if (count != 5) fail(unusable, "usage: xpixels grab X Y W H FILE");
    Display* display = open_display();
    Area area = area_of(arguments, display);
    Picture picture = new_picture(area);
    sample(display, area, &picture);
    write_ppm(&picture, arguments[4]);
    XCloseDisplay(display);
    return 0;
}

static int read_points(int count, char** arguments) {
    if (count < 3 || count % 2 == 0) fail(unusable, "usage: xpixels read FILE X Y [X Y]...");
    Picture picture = read_ppm(arguments[0]);
    for (int i = 1; i + 1 < count; i += 2) {
        long x = number(arguments[i], "x"), y = number(arguments[i + 1], "y");
        if (x < 0 || y < 0 || x >= picture.width || y >= picture.height)
            fail(unusable, "(%ld,%ld) lies outside the %dx%d image %s", x, y, picture.width,
                 picture.height, arguments[0]);
        const unsigned char* p = picture.rgb + (y * picture.width + x) * 3;
        printf("%d,%d,%d\n", p[0], p[1], p[2]);
    }
    return 0;
}

static int watch(int count, char** arguments) {
    if (count < 5) fail(unusable, "usage: xpixels watch X Y W H TIMEOUT_MS [options]");
    const char *until = NULL, *prefix = NULL;
    bool after_other = false;
    long changes = 0, settle = 0, timeout = number(arguments[4], "the timeout");
    for (int i = 5; i < count; i += 2) {
        if (strcmp(arguments[i], "--after-other") == 0) {
            after_other = true;
            --i; // takes no value
            continue;
        }
        if (i + 1 >= count) fail(unusable, "%s needs a value", arguments[i]);
        if (strcmp(arguments[i], "--until") == 0)
            until = arguments[i + 1];
        else if (strcmp(arguments[i], "--changes") == 0)
            changes = number(arguments[i + 1], "--changes");
        else if (strcmp(arguments[i], "--settle") == 0)
            settle = number(arguments[i + 1], "--settle");
        else if (strcmp(arguments[i], "--save") == 0)
            prefix = arguments[i + 1];
        else
            fail(unusable, "unknown option %s", arguments[i]);
    }
    Display* display = open_display();
    Area area = area_of(arguments, display);
    if (until != NULL && (area.width != 1 || area.height != 1))
        fail(unusable, "--until reads one pixel, not a %ldx%ld area", area.width, area.height);
    if (after_other && until == NULL) fail(unusable, "--after-other needs --until");
    setvbuf(stdout, NULL, _IOLBF, 0);

    Picture now = new_picture(area), candidate = new_picture(area);
    char shown[32] = "", seen[32], candidate_value[32] = "";
    double start = now_ms(), candidate_since = 0;
    long counted = 0;
    bool past = !after_other;
    for (;;) {
        sample(display, area, &now);
        double at = now_ms() - start;
        value_of(&now, seen, sizeof seen);
        if (strcmp(seen, candidate_value) != 0) {
            strcpy(candidate_value, seen);
            memcpy(candidate.rgb, now.rgb, (size_t)(area.width * area.height * 3));
            candidate_since = at;
        }
        if (strcmp(candidate_value, shown) != 0 &&
            (shown[0] == '\0' || at - candidate_since >= settle)) {
            bool first = shown[0] == '\0';
            strcpy(shown, candidate_value);
            printf("%.0f %s\n", first ? 0.0 : candidate_since, shown);
            if (prefix != NULL) {
                char file[4096];
                snprintf(file, sizeof file, "%s-%ld.ppm", prefix, first ? 0 : counted + 1);
                write_ppm(&candidate, file);
            }
            if (!first) {
                ++counted;
                if (past && until != NULL && strcmp(shown, until) == 0) return 0;
                if (until != NULL && strcmp(shown, until) != 0) past = true;
                if (changes > 0 && counted >= changes) return 0;
            }
        }
        if (at > timeout) {
            if (until != NULL) fail(timed_out, "no change to %s within %ld ms", until, timeout);
            if (changes > 0)
                fail(timed_out, "%ld of %ld changes within %ld ms", counted, changes, timeout);
            return 0; // a watch for a while, with nothing to wait for
        }
        struct timespec pause = {0, sample_pause_us * 1000};
        nanosleep(&pause, NULL);
    }
}

// The window's rectangle on the screen (undecorated, it is all there is of it); printed when it
// differs from the last one printed.
static void print_geometry(Display* display, Window window, Area* last) {
    Window child;
    int x, y;
    XWindowAttributes attributes;
    XGetWindowAttributes(display, window, &attributes);
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    const Area now = {x, y, attributes.width, attributes.height};
    if (memcmp(&now, last, sizeof now) == 0) return;
    *last = now;
    printf("geometry %ld %ld %ld %ld\n", now.x, now.y, now.width, now.height);
}

// Asks for no decoration and for the maximized state, before the window is mapped.
static void ask_maximized(Display* display, Window window) {
    const unsigned long motif[5] = {2, 0, 0, 0, 0}; // flags: decorations; decorations: none
    const Atom hints = XInternAtom(display, "_MOTIF_WM_HINTS", False);
    XChangeProperty(display, window, hints, hints, 32, PropModeReplace, (const unsigned char*)motif,
                    5);
    const Atom states[2] = {XInternAtom(display, "_NET_WM_STATE_MAXIMIZED_VERT", False),
                            XInternAtom(display, "_NET_WM_STATE_MAXIMIZED_HORZ", False)};
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_STATE", False), XA_ATOM, 32,
                    PropModeReplace, (const unsigned char*)states, 2);
}

static int window(int count, char** arguments) {
    const bool maximized = count == 5 && strcmp(arguments[4], "--maximized") == 0;
    if (count != 4 && !maximized) fail(unusable, "window takes X Y W H [--maximized]");
    Display* display = open_display();
    const Area area = area_of(arguments, display);
    Area last = {0, 0, 0, 0};
    const Window window = XCreateSimpleWindow(
        display, DefaultRootWindow(display), (int)area.x, (int)area.y, (unsigned)area.width,
        (unsigned)area.height, 0, 0, WhitePixel(display, DefaultScreen(display)));
    // Where it was asked for, under a window manager too.
    XSizeHints hints = {.flags = USPosition | USSize};
    XSetWMNormalHints(display, window, &hints);
    XSelectInput(display, window,
                 KeyPressMask | ButtonPressMask | FocusChangeMask | StructureNotifyMask);
    if (maximized) ask_maximized(display, window);
    XMapWindow(display, window);
    setvbuf(stdout, NULL, _IOLBF, 0);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify) puts("mapped");
        // A reparenting window manager moves its frame, not the window: it sends a configure
        // event of its own.
        if (maximized && (event.type == MapNotify || event.type == ConfigureNotify))
            print_geometry(display, window, &last);
        // The focus itself, not the pointer's passing through a focused parent.
        if ((event.type == FocusIn || event.type == FocusOut) &&
            event.xfocus.detail != NotifyPointer && event.xfocus.mode == NotifyNormal)
            puts(event.type == FocusIn ? "keyboard enter" : "keyboard leave");
        if (event.type == KeyPress) printf("key %u\n", event.xkey.keycode);
        if (event.type == ButtonPress)
            printf("button %u %d %d\n", event.xbutton.button, event.xbutton.x_root,
                   event.xbutton.y_root);
    }
}

static int bell(int count, char** arguments) {
    if (count != 1) fail(unusable, "usage: xpixels bell TIMEOUT_MS");
    const long timeout = number(arguments[0], "the timeout");
    Display* display = open_display();
    int event_base, error_base, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (!XkbQueryExtension(display, NULL, &event_base, &error_base, &major, &minor))
        fail(unusable, "the X server has no XKEYBOARD extension");
    XkbSelectEvents(display, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask);
    XSync(display, False);
    setvbuf(stdout, NULL, _IOLBF, 0);
    puts("listening");
    const double end = now_ms() + (double)timeout;
    while (now_ms() < end) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == event_base && ((XkbAnyEvent*)&event)->xkb_type == XkbBellNotify)
                puts("bell");
        }
        struct timespec pause = {0, 10 * 1000 * 1000};
        nanosleep(&pause, NULL);
    }
    return 0;
}

int main(int count, char** arguments) {
    if (count >= 2 && strcmp(arguments[1], "grab") == 0) return grab(count - 2, arguments + 2);
    if (count >= 2 && strcmp(arguments[1], "read") == 0)
        return read_points(count - 2, arguments + 2);
    if (count >= 2 && strcmp(arguments[1], "watch") == 0) return watch(count - 2, arguments + 2);
    if (count >= 2 && strcmp(arguments[1], "window") == 0) return window(count - 2, arguments + 2);
    if (count >= 2 && strcmp(arguments[1], "bell") == 0) return bell(count - 2, arguments + 2);
    fail(unusable, "usage: xpixels grab|read|watch|window|bell ... (see the source's first lines)");
}
