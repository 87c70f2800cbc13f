// The probe's screen on a wlroots compositor: each read is a screencopy of the region, which the
// compositor answers with the next frame it composes (so a read shows what the output shows, and
// its resolution is the output's refresh period); keys come from a virtual keyboard.
#define _GNU_SOURCE
#include <linux/input-event-codes.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include "screen.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

static struct wl_display* display;
static struct wl_shm* shm;
static struct wl_seat* seat;
static struct wl_output* output;
static struct zwlr_screencopy_manager_v1* screencopy;
static uint32_t screencopyVersion;
static struct zwp_virtual_keyboard_manager_v1* keyboardManager;
static struct zwp_virtual_keyboard_v1* keyboard;
static int outputWidth, outputHeight;

enum { kRowsUpsideDown = 1 }; // the frame's y_invert flag

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                   uint32_t version) {
    (void)data;
    if (strcmp(interface, wl_shm_interface.name) == 0) {
        shm = wl_registry_bind(registry, name, &wl_shm_interface, 1);
    } else if (strcmp(interface, wl_seat_interface.name) == 0 && !seat) {
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    } else if (strcmp(interface, wl_output_interface.name) == 0 && !output) {
        output = wl_registry_bind(registry, name, &wl_output_interface, 1);
    } else if (strcmp(interface, zwlr_screencopy_manager_v1_interface.name) == 0) {
        screencopyVersion = version < 3 ? version : 3;
        screencopy = wl_registry_bind(registry, name, &zwlr_screencopy_manager_v1_interface,
                                      screencopyVersion);
    } else if (strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0) {
        keyboardManager =
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1);
    }
}
static void globalRemove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data, (void)registry, (void)name;
}
static const struct wl_registry_listener registryListener = {global, globalRemove};

static void outputGeometry(void* data, struct wl_output* o, int32_t x, int32_t y, int32_t w,
                           int32_t h, int32_t subpixel, const char* make, const char* model,
                           int32_t transform) {
    (void)data, (void)o, (void)x, (void)y, (void)w, (void)h, (void)subpixel, (void)make,
        (void)model, (void)transform;
}
static void outputMode(void* data, struct wl_output* o, uint32_t flags, int32_t w, int32_t h,
                       int32_t refresh) {
    (void)data, (void)o, (void)refresh;
    if (flags & WL_OUTPUT_MODE_CURRENT) outputWidth = w, outputHeight = h;
}
static const struct wl_output_listener outputListener = {.geometry = outputGeometry,
                                                         .mode = outputMode};

// The virtual keyboard needs a key map before its first key: the default one of xkbcommon.
static void makeKeyboard(void) {
    struct xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    struct xkb_keymap* keymap =
        context ? xkb_keymap_new_from_names(context, NULL, XKB_KEYMAP_COMPILE_NO_FLAGS) : NULL;
    char* text = keymap ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : NULL;
    if (!text) fail("xkbcommon could not make a key map");
    const size_t size = strlen(text) + 1;
    const int fd = memfd_create("probe-keymap", MFD_CLOEXEC);
    if (fd < 0 || write(fd, text, size) != (ssize_t)size) fail("cannot hand over the key map");
    keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(keyboardManager, seat);
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, (uint32_t)size);
    wl_display_roundtrip(display);
    close(fd);
    free(text);
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
}

void screenOpen(int* width, int* height) {
    display = wl_display_connect(NULL);
    if (!display) fail("cannot connect to the Wayland display %s", getenv("WAYLAND_DISPLAY") ?: "");
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, NULL);
    wl_display_roundtrip(display);
    if (!shm || !seat || !output) fail("the compositor offers no shm, seat or output");
    if (!screencopy || screencopyVersion < 2) fail("the compositor cannot copy a screen region");
    if (!keyboardManager) fail("the compositor offers no virtual keyboard");
    wl_output_add_listener(output, &outputListener, NULL);
    wl_display_roundtrip(display);
    if (outputWidth <= 0 || outputHeight <= 0) fail("the output has no current mode");
    makeKeyboard();
    *width = outputWidth, *height = outputHeight;
}

void screenClose(void) {
    wl_display_disconnect(display);
}

// --- Reads
// ----------------------------------------------------------------------------------------

// One shared-memory buffer, made again when a read needs another size.
static struct {
    struct wl_buffer* buffer;
    uint8_t* pixels;
    size_t size;
    uint32_t format, width, height, stride;
} target;

typedef struct {
    uint32_t format, width, height, stride;
    bool described, done, ready, failed;
    uint32_t flags;
} Copy;

static void frameBuffer(void* data, struct zwlr_screencopy_frame_v1* frame, uint32_t format,
                        uint32_t width, uint32_t height, uint32_t stride) {
    (void)frame;
    Copy* copy = data;
    // The first format offered is the output's own; 32-bit formats only.
    if (copy->described) return;
    *copy = (Copy){.format = format, .width = width, .height = height, .stride = stride};
    copy->described = true;
}
static void frameFlags(void* data, struct zwlr_screencopy_frame_v1* frame, uint32_t flags) {
    (void)frame;
    ((Copy*)data)->flags = flags;
}
static void frameReady(void* data, struct zwlr_screencopy_frame_v1* frame, uint32_t hi, uint32_t lo,
                       uint32_t ns) {
    (void)frame, (void)hi, (void)lo, (void)ns;
    ((Copy*)data)->ready = true;
}
static void frameFailed(void* data, struct zwlr_screencopy_frame_v1* frame) {
    (void)frame;
    ((Copy*)data)->failed = true;
}
static void frameDamage(void* data, struct zwlr_screencopy_frame_v1* frame, uint32_t x, uint32_t y,
                        uint32_t w, uint32_t h) {
    (void)data, (void)frame, (void)x, (void)y, (void)w, (void)h;
}
static void frameDmabuf(void* data, struct zwlr_screencopy_frame_v1* frame, uint32_t format,
                        uint32_t w, uint32_t h) {
    (void)data, (void)frame, (void)format, (void)w, (void)h;
}
static void frameBufferDone(void* data, struct zwlr_screencopy_frame_v1* frame) {
    (void)frame;
    ((Copy*)data)->done = true;
}
static const struct zwlr_screencopy_frame_v1_listener frameListener = {
    frameBuffer, frameFlags, frameReady, frameFailed, frameDamage, frameDmabuf, frameBufferDone};

static void dispatchUntil(const bool* flag, const bool* orFlag) {
    while (!*flag && !(orFlag && *orFlag))
        if (wl_display_dispatch(display) < 0) fail("the compositor closed the connection");
}

static void prepareTarget(const Copy* copy) {
    if (target.buffer && target.format == copy->format && target.width == copy->width &&
        target.height == copy->height && target.stride == copy->stride)
        return;
    if (target.buffer) {
        wl_buffer_destroy(target.buffer);
        munmap(target.pixels, target.size);
    }
    target.format = copy->format, target.width = copy->width, target.height = copy->height;
    target.stride = copy->stride, target.size = (size_t)copy->stride * copy->height;
    const int fd = memfd_create("probe-screen", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, (off_t)target.size) != 0) fail("no shared memory for a read");
    target.pixels = mmap(NULL, target.size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (target.pixels == MAP_FAILED) fail("cannot map a read's buffer");
    struct wl_shm_pool* pool = wl_shm_create_pool(shm, fd, (int32_t)target.size);
    target.buffer = wl_shm_pool_create_buffer(pool, 0, (int32_t)copy->width, (int32_t)copy->height,
                                              (int32_t)copy->stride, copy->format);
    wl_shm_pool_destroy(pool);
    close(fd);
}

void screenColumn(int x, int top, int count, uint32_t* colours) {
    Copy copy = {0};
    struct zwlr_screencopy_frame_v1* frame =
        zwlr_screencopy_manager_v1_capture_output_region(screencopy, 0, output, x, top, 1, count);
    zwlr_screencopy_frame_v1_add_listener(frame, &frameListener, &copy);
    // Version 3 ends the list of buffer kinds with buffer_done; before it, one event says all.
    dispatchUntil(screencopyVersion >= 3 ? &copy.done : &copy.described, &copy.failed);
    if (copy.failed || !copy.described) fail("the compositor refused to read %d,%d", x, top);
    if (copy.format != WL_SHM_FORMAT_XRGB8888 && copy.format != WL_SHM_FORMAT_ARGB8888)
        fail("screen reads come in format %#x, not 32-bit RGB", copy.format);
    if ((int)copy.height != count || copy.width != 1)
        fail("a read of 1x%d came as %ux%u", count, copy.width, copy.height);
    prepareTarget(&copy);
    zwlr_screencopy_frame_v1_copy(frame, target.buffer);
    dispatchUntil(&copy.ready, &copy.failed);
    zwlr_screencopy_frame_v1_destroy(frame);
    if (copy.failed) fail("a read of column %d failed", x);
    const bool inverted = copy.flags & kRowsUpsideDown;
    for (int y = 0; y < count; ++y) {
        uint32_t pixel;
        memcpy(&pixel, target.pixels + (size_t)(inverted ? count - 1 - y : y) * copy.stride,
               sizeof pixel);
        colours[y] = pixel & 0xFFFFFFu;
    }
}

void screenKey(ScreenKey key, bool down) {
    static const uint32_t codes[] = {
        [kKeyRight] = KEY_RIGHT, [kKeyLeft] = KEY_LEFT, [kKeyEscape] = KEY_ESC};
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    zwp_virtual_keyboard_v1_key(
        keyboard, (uint32_t)(now.tv_sec * 1000 + now.tv_nsec / 1000000), codes[key],
        down ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    wl_display_flush(display);
}
