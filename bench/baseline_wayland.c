// The Wayland floor: the frame's visible job done with libwayland-client alone. One full-screen
// layer-shell surface on the overlay layer, black in four bands of 20 and 50 pixels and transparent
// in the hole, which passes the pointer too; Right and Left move the side edges by one pixel,
// Escape quits. It holds the keyboard as the frame does (exclusive keyboard interactivity).
#define _GNU_SOURCE
#include <linux/input-event-codes.h>
#include <stdbool.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include "wlr-layer-shell-unstable-v1-client-protocol.h"

enum { kHorizontal = 20, kVertical = 50, kBlack = 0xFF000000u };

static struct wl_display* display;
static struct wl_compositor* compositor;
static struct wl_shm* shm;
static struct zwlr_layer_shell_v1* layerShell;
static struct wl_seat* seat;
static struct wl_keyboard* keyboard;
static struct wl_surface* surface;
static bool running = true;
static int width, height, side = kHorizontal;

static void fail(const char* what) {
    fprintf(stderr, "baseline_wayland: %s\n", what);
    exit(1);
}

// Two buffers in turn, since the compositor may read one until it releases it. Each remembers the
// side it shows, so a step rewrites only the columns that changed.
typedef struct {
    struct wl_buffer* buffer;
    uint32_t* pixels;
    int side; // 0 until first drawn
    bool busy;
} Buffer;
static Buffer buffers[2];

static void released(void* data, struct wl_buffer* buffer) {
    (void)buffer;
    ((Buffer*)data)->busy = false;
}
static const struct wl_buffer_listener bufferListener = {released};

static void makeBuffers(void) {
    const int stride = width * 4, size = stride * height;
    const int fd = memfd_create("baseline_wayland", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, 2 * size) != 0) fail("no shared memory for the buffers");
    uint32_t* pixels = mmap(NULL, 2 * (size_t)size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (pixels == MAP_FAILED) fail("cannot map the buffers");
    struct wl_shm_pool* pool = wl_shm_create_pool(shm, fd, 2 * size);
    for (int i = 0; i < 2; ++i) {
        buffers[i].pixels = pixels + i * width * height;
        buffers[i].buffer = wl_shm_pool_create_buffer(pool, i * size, width, height, stride,
                                                      WL_SHM_FORMAT_ARGB8888);
        wl_buffer_add_listener(buffers[i].buffer, &bufferListener, &buffers[i]);
    }
    wl_shm_pool_destroy(pool);
    close(fd);
}

static void fillRows(uint32_t* pixels, int from, int to, int left, int right, uint32_t colour) {
    for (int y = from; y < to; ++y)
        for (int x = left; x < right; ++x)
            pixels[y * width + x] = colour;
}

// The hole's rows between the old and the new side, on both sides; everything at first.
static void paint(Buffer* b) {
    const int top = kVertical, bottom = height - kVertical;
    if (b->side == 0) {
        fillRows(b->pixels, 0, height, 0, width, kBlack);
        fillRows(b->pixels, top, bottom, side, width - side, 0);
    } else if (side > b->side) {
        fillRows(b->pixels, top, bottom, b->side, side, kBlack);
        fillRows(b->pixels, top, bottom, width - side, width - b->side, kBlack);
    } else if (side < b->side) {
        fillRows(b->pixels, top, bottom, side, b->side, 0);
        fillRows(b->pixels, top, bottom, width - b->side, width - side, 0);
    }
    b->side = side;
}

static void show(void) {
    Buffer* b = !buffers[0].busy ? &buffers[0] : !buffers[1].busy ? &buffers[1] : NULL;
    if (!b) { // both held: wait for one back
        while (buffers[0].busy && buffers[1].busy)
            if (wl_display_dispatch(display) < 0) fail("connection lost");
        b = !buffers[0].busy ? &buffers[0] : &buffers[1];
    }
    static int shown; // the side on screen, which the damage is counted from
    const int before = b->side == 0 ? 0 : shown;
    paint(b);
    shown = side;
    struct wl_region* input = wl_compositor_create_region(compositor);
    wl_region_add(input, 0, 0, width, height);
    wl_region_subtract(input, side, kVertical, width - 2 * side, height - 2 * kVertical);
    wl_surface_set_input_region(surface, input);
    wl_region_destroy(input);
    wl_surface_attach(surface, b->buffer, 0, 0);
    if (before == 0) {
        wl_surface_damage_buffer(surface, 0, 0, width, height);
    } else {
        const int from = before < side ? before : side, span = abs(side - before);
        wl_surface_damage_buffer(surface, from, kVertical, span, height - 2 * kVertical);
        wl_surface_damage_buffer(surface, width - from - span, kVertical, span,
                                 height - 2 * kVertical);
    }
    wl_surface_commit(surface);
    b->busy = true;
}

static void configure(void* data, struct zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t w,
                      uint32_t h) {
    (void)data;
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    if ((int)w == width && (int)h == height) return;
    if (width) fail("the screen changed size");
    width = (int)w, height = (int)h;
    makeBuffers();
    paint(&buffers[1]); // both in memory from the start, as in every later step
    show();
}
static void closed(void* data, struct zwlr_layer_surface_v1* layer) {
    (void)data, (void)layer;
    running = false;
}
static const struct zwlr_layer_surface_v1_listener layerListener = {configure, closed};

static void keymap(void* data, struct wl_keyboard* k, uint32_t format, int32_t fd, uint32_t size) {
    (void)data, (void)k, (void)format, (void)size;
    close(fd);
}
static void enter(void* data, struct wl_keyboard* k, uint32_t serial, struct wl_surface* s,
                  struct wl_array* keys) {
    (void)data, (void)k, (void)serial, (void)s, (void)keys;
}
static void leave(void* data, struct wl_keyboard* k, uint32_t serial, struct wl_surface* s) {
    (void)data, (void)k, (void)serial, (void)s;
}
static void key(void* data, struct wl_keyboard* k, uint32_t serial, uint32_t time, uint32_t code,
                uint32_t state) {
    (void)data, (void)k, (void)serial, (void)time;
    if (state != WL_KEYBOARD_KEY_STATE_PRESSED) return;
    const int before = side;
    if (code == KEY_ESC) running = false;
    if (code == KEY_RIGHT && side < width / 2 - 1) ++side;
    if (code == KEY_LEFT && side > 2) --side;
    if (side != before) show();
}
static void modifiers(void* data, struct wl_keyboard* k, uint32_t serial, uint32_t depressed,
                      uint32_t latched, uint32_t locked, uint32_t group) {
    (void)data, (void)k, (void)serial, (void)depressed, (void)latched, (void)locked, (void)group;
}
static void repeat(void* data, struct wl_keyboard* k, int32_t rate, int32_t delay) {
    (void)data, (void)k, (void)rate, (void)delay;
}
static const struct wl_keyboard_listener keyboardListener = {keymap, enter,     leave,
                                                             key,    modifiers, repeat};

static void capabilities(void* data, struct wl_seat* s, uint32_t caps) {
    (void)data;
    if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) && !keyboard) {
        keyboard = wl_seat_get_keyboard(s);
        wl_keyboard_add_listener(keyboard, &keyboardListener, NULL);
    }
}
static void seatName(void* data, struct wl_seat* s, const char* name) {
    (void)data, (void)s, (void)name;
}
static const struct wl_seat_listener seatListener = {capabilities, seatName};

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                   uint32_t version) {
    (void)data, (void)version;
    if (strcmp(interface, wl_compositor_interface.name) == 0)
        compositor = wl_registry_bind(registry, name, &wl_compositor_interface, 4);
    else if (strcmp(interface, wl_shm_interface.name) == 0)
        shm = wl_registry_bind(registry, name, &wl_shm_interface, 1);
    else if (strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0)
        layerShell = wl_registry_bind(registry, name, &zwlr_layer_shell_v1_interface, 1);
    else if (strcmp(interface, wl_seat_interface.name) == 0 && !seat) {
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
        wl_seat_add_listener(seat, &seatListener, NULL);
    }
}
static void globalRemove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data, (void)registry, (void)name;
}
static const struct wl_registry_listener registryListener = {global, globalRemove};

int main(void) {
    display = wl_display_connect(NULL);
    if (!display) fail("no Wayland display");
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, NULL);
    wl_display_roundtrip(display);
    if (!compositor || !shm || !layerShell || !seat) fail("the compositor lacks layer-shell");

    surface = wl_compositor_create_surface(compositor);
    struct zwlr_layer_surface_v1* layer = zwlr_layer_shell_v1_get_layer_surface(
        layerShell, surface, NULL, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "baseline");
    zwlr_layer_surface_v1_add_listener(layer, &layerListener, NULL);
    zwlr_layer_surface_v1_set_anchor(
        layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                   ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_exclusive_zone(layer, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(layer, 1);
    wl_surface_commit(surface);

    while (running && wl_display_dispatch(display) >= 0) {
    }
    return 0;
}
