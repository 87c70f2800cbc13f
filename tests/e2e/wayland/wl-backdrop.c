// A window of one colour for end-to-end tests on Wayland: an ordinary toplevel that the
// compositor tiles over the whole screen (or a full-screen one, for compositors that do not tile),
// under the program being tested. It says on stdout what
// reaches it: "pointer enter X Y", "pointer motion X Y", "pointer leave", "button B X Y"
// (B as X numbers buttons), "keyboard enter", "keyboard leave", "key CODE", and "size W H" for
// each size the compositor lays it out at. maximized: a window that asks to be maximized.
// Usage: wl-backdrop RRGGBB [fullscreen|maximized]
#define _GNU_SOURCE
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include "tool.h"
#include "xdg-shell-client-protocol.h"

static struct wl_compositor* compositor;
static struct wl_shm* shm;
static struct xdg_wm_base* wm_base;
static struct wl_seat* seat;
static struct wl_surface* surface;
static struct wl_pointer* pointer;
static struct wl_keyboard* keyboard;
static uint32_t colour;
static double pointer_x, pointer_y;
static int running = 1;

static void draw(int32_t width, int32_t height) {
    const int32_t stride = width * 4, size = stride * height;
    int fd = memfd_create("wl-backdrop", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, size) != 0) {
        perror("wl-backdrop: buffer");
        exit(1);
    }
    uint32_t* pixels = mmap(NULL, (size_t)size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    for (int32_t i = 0; i < width * height; ++i)
        pixels[i] = 0xFF000000u | colour;
    munmap(pixels, (size_t)size);
    struct wl_shm_pool* pool = wl_shm_create_pool(shm, fd, size);
    struct wl_buffer* buffer =
        wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    wl_surface_attach(surface, buffer, 0, 0);
    wl_surface_damage(surface, 0, 0, width, height);
    wl_surface_commit(surface);
}

static int32_t pending_width, pending_height;

static void toplevel_configure(void* data, struct xdg_toplevel* toplevel, int32_t width,
                               int32_t height, struct wl_array* states) {
    (void)data, (void)toplevel, (void)states;
    pending_width = width > 0 ? width : 640;
    pending_height = height > 0 ? height : 480;
}
static void toplevel_close(void* data, struct xdg_toplevel* toplevel) {
    (void)data, (void)toplevel;
    running = 0;
}
static const struct xdg_toplevel_listener toplevel_listener = {.configure = toplevel_configure,
                                                               .close = toplevel_close};

static void surface_configure(void* data, struct xdg_surface* xdg, uint32_t serial) {
    (void)data;
    xdg_surface_ack_configure(xdg, serial);
    printf("size %d %d\n", pending_width, pending_height);
    draw(pending_width, pending_height);
}
static const struct xdg_surface_listener surface_listener = {surface_configure};

static void ping(void* data, struct xdg_wm_base* base, uint32_t serial) {
    (void)data;
    xdg_wm_base_pong(base, serial);
}
static const struct xdg_wm_base_listener wm_base_listener = {ping};

static void pointer_enter(void* data, struct wl_pointer* p, uint32_t serial, struct wl_surface* s,
                          wl_fixed_t x, wl_fixed_t y) {
    (void)data, (void)p, (void)serial, (void)s;
    pointer_x = wl_fixed_to_double(x), pointer_y = wl_fixed_to_double(y);
    printf("pointer enter %.0f %.0f\n", pointer_x, pointer_y);
}
static void pointer_leave(void* data, struct wl_pointer* p, uint32_t serial, struct wl_surface* s) {
    (void)data, (void)p, (void)serial, (void)s;
    printf("pointer leave\n");
}
static void pointer_motion(void* data, struct wl_pointer* p, uint32_t time, wl_fixed_t x,
                           wl_fixed_t y) {
    (void)data, (void)p, (void)time;
    pointer_x = wl_fixed_to_double(x), pointer_y = wl_fixed_to_double(y);
    printf("pointer motion %.0f %.0f\n", pointer_x, pointer_y);
}
static void pointer_button(void* data, struct wl_pointer* p, uint32_t serial, uint32_t time,
                           uint32_t button, uint32_t state) {
    (void)data, (void)p, (void)serial, (void)time;
    if (state != WL_POINTER_BUTTON_STATE_PRESSED) return;
    const int x_button = button == BTN_LEFT     ? 1
                         : button == BTN_MIDDLE ? 2
                         : button == BTN_RIGHT  ? 3
                                                : 0;
    printf("button %d %.0f %.0f\n", x_button, pointer_x, pointer_y);
}
static void pointer_axis(void* data, struct wl_pointer* p, uint32_t time, uint32_t axis,
                         wl_fixed_t value) {
    (void)data, (void)p, (void)time, (void)axis, (void)value;
}
static const struct wl_pointer_listener pointer_listener = {.enter = pointer_enter,
                                                            .leave = pointer_leave,
                                                            .motion = pointer_motion,
                                                            .button = pointer_button,
                                                            .axis = pointer_axis};

static void keyboard_keymap(void* data, struct wl_keyboard* k, uint32_t format, int32_t fd,
                            uint32_t size) {
    (void)data, (void)k, (void)format, (void)size;
    close(fd);
}
static void keyboard_enter(void* data, struct wl_keyboard* k, uint32_t serial, struct wl_surface* s,
                           struct wl_array* keys) {
    (void)data, (void)k, (void)serial, (void)s, (void)keys;
    printf("keyboard enter\n");
}
static void keyboard_leave(void* data, struct wl_keyboard* k, uint32_t serial,
                           struct wl_surface* s) {
    (void)data, (void)k, (void)serial, (void)s;
    printf("keyboard leave\n");
}
static void keyboard_key(void* data, struct wl_keyboard* k, uint32_t serial, uint32_t time,
                         uint32_t key, uint32_t state) {
    (void)data, (void)k, (void)serial, (void)time;
    if (state == WL_KEYBOARD_KEY_STATE_PRESSED) printf("key %u\n", key);
}
static void keyboard_modifiers(void* data, struct wl_keyboard* k, uint32_t serial, uint32_t d,
                               uint32_t l, uint32_t lk, uint32_t g) {
    (void)data, (void)k, (void)serial, (void)d, (void)l, (void)lk, (void)g;
}
static void keyboard_repeat(void* data, struct wl_keyboard* k, int32_t rate, int32_t delay) {
    (void)data, (void)k, (void)rate, (void)delay;
}
static const struct wl_keyboard_listener keyboard_listener = {keyboard_keymap,    keyboard_enter,
                                                              keyboard_leave,     keyboard_key,
                                                              keyboard_modifiers, keyboard_repeat};

// Virtual devices come and go with the test's tools: follow the seat's capabilities.
static void seat_capabilities(void* data, struct wl_seat* s, uint32_t capabilities) {
    (void)data;
    if ((capabilities & WL_SEAT_CAPABILITY_POINTER) && !pointer) {
        pointer = wl_seat_get_pointer(s);
        wl_pointer_add_listener(pointer, &pointer_listener, NULL);
    } else if (!(capabilities & WL_SEAT_CAPABILITY_POINTER) && pointer) {
        wl_pointer_release(pointer);
        pointer = NULL;
    }
    if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) && !keyboard) {
        keyboard = wl_seat_get_keyboard(s);
        wl_keyboard_add_listener(keyboard, &keyboard_listener, NULL);
    } else if (!(capabilities & WL_SEAT_CAPABILITY_KEYBOARD) && keyboard) {
        wl_keyboard_release(keyboard);
        keyboard = NULL;
    }
}
static void seat_name(void* data, struct wl_seat* s, const char* name) {
    (void)data, (void)s, (void)name;
}
static const struct wl_seat_listener seat_listener = {seat_capabilities, seat_name};

static void bind_global(struct wl_registry* registry, uint32_t name, const char* interface,
                        uint32_t version) {
    (void)version;
    if (strcmp(interface, wl_compositor_interface.name) == 0)
        compositor = wl_registry_bind(registry, name, &wl_compositor_interface, 4);
    else if (strcmp(interface, wl_shm_interface.name) == 0)
        shm = wl_registry_bind(registry, name, &wl_shm_interface, 1);
    else if (strcmp(interface, xdg_wm_base_interface.name) == 0)
        wm_base = wl_registry_bind(registry, name, &xdg_wm_base_interface, 1);
    else if (strcmp(interface, wl_seat_interface.name) == 0)
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 4); // no pointer frames
}

int main(int argc, char** argv) {
    const int fullscreen = argc == 3 && strcmp(argv[2], "fullscreen") == 0;
    const int maximized = argc == 3 && strcmp(argv[2], "maximized") == 0;
    if (argc != 2 && !fullscreen && !maximized) {
        fprintf(stderr, "usage: wl-backdrop RRGGBB [fullscreen|maximized]\n");
        return 2;
    }
    colour = (uint32_t)strtoul(argv[1], NULL, 16);
    setvbuf(stdout, NULL, _IOLBF, 0);
    struct wl_display* display = tool_connect("wl-backdrop", bind_global);
    if (!compositor || !shm || !wm_base || !seat) {
        fprintf(
            stderr,
            "wl-backdrop: the compositor lacks wl_compositor, wl_shm, xdg_wm_base or wl_seat\n");
        return 1;
    }
    xdg_wm_base_add_listener(wm_base, &wm_base_listener, NULL);
    wl_seat_add_listener(seat, &seat_listener, NULL);
    surface = wl_compositor_create_surface(compositor);
    struct xdg_surface* xdg = xdg_wm_base_get_xdg_surface(wm_base, surface);
    xdg_surface_add_listener(xdg, &surface_listener, NULL);
    struct xdg_toplevel* toplevel = xdg_surface_get_toplevel(xdg);
    xdg_toplevel_add_listener(toplevel, &toplevel_listener, NULL);
    xdg_toplevel_set_title(toplevel, maximized ? "maximized" : "backdrop");
    xdg_toplevel_set_app_id(toplevel, "wl-backdrop");
    if (fullscreen) xdg_toplevel_set_fullscreen(toplevel, NULL);
    if (maximized) xdg_toplevel_set_maximized(toplevel);
    wl_surface_commit(surface);
    while (running && wl_display_dispatch(display) != -1) {
    }
    return 0;
}
