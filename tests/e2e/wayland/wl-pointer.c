// A pointer for end-to-end tests on wlroots compositors: one virtual pointer device for the whole
// run, driven by lines on stdin ("move X Y", "down B", "up B", "click B"; B as X numbers buttons:
// 1 left, 2 middle, 3 right). "move X Y W H" also gives the size of the desktop, which grows and
// shrinks as outputs come and go. Each line is answered "ok" once the compositor has handled it, or
// "error ..." on stdout.
// Usage: wl-pointer WIDTH HEIGHT
#include <string.h>
#include <time.h>

#include "tool.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

static struct zwlr_virtual_pointer_manager_v1* manager;

static void bind_global(struct wl_registry* registry, uint32_t name, const char* interface,
                        uint32_t version) {
    (void)version;
    if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        manager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
}

static uint32_t now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (uint32_t)(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: wl-pointer WIDTH HEIGHT\n");
        return 2;
    }
    uint32_t width = (uint32_t)atoi(argv[1]), height = (uint32_t)atoi(argv[2]);
    struct wl_display* display = tool_connect("wl-pointer", bind_global);
    if (!manager) {
        fprintf(stderr, "wl-pointer: the compositor offers no zwlr_virtual_pointer_manager_v1\n");
        return 1;
    }
    struct zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, NULL);
    setvbuf(stdout, NULL, _IOLBF, 0);
    printf("ready\n");

    char line[128];
    while (fgets(line, sizeof line, stdin)) {
        int x, y, w, h, b;
        const int moved = sscanf(line, "move %d %d %d %d", &x, &y, &w, &h);
        if (moved == 4 && w > 0 && h > 0) width = (uint32_t)w, height = (uint32_t)h;
        if (moved == 2 || (moved == 4 && w > 0 && h > 0)) {
            zwlr_virtual_pointer_v1_motion_absolute(pointer, now_ms(), (uint32_t)x, (uint32_t)y,
                                                    width, height);
        } else if (sscanf(line, "down %d", &b) == 1 && button_code(b) > 0) {
            zwlr_virtual_pointer_v1_button(pointer, now_ms(), (uint32_t)button_code(b),
                                           WL_POINTER_BUTTON_STATE_PRESSED);
        } else if (sscanf(line, "up %d", &b) == 1 && button_code(b) > 0) {
            zwlr_virtual_pointer_v1_button(pointer, now_ms(), (uint32_t)button_code(b),
                                           WL_POINTER_BUTTON_STATE_RELEASED);
        } else if (sscanf(line, "click %d", &b) == 1 && button_code(b) > 0) {
            zwlr_virtual_pointer_v1_button(pointer, now_ms(), (uint32_t)button_code(b),
                                           WL_POINTER_BUTTON_STATE_PRESSED);
            zwlr_virtual_pointer_v1_frame(pointer);
            zwlr_virtual_pointer_v1_button(pointer, now_ms(), (uint32_t)button_code(b),
                                           WL_POINTER_BUTTON_STATE_RELEASED);
        } else {
            printf("error: not understood: %s", line);
            continue;
        }
        zwlr_virtual_pointer_v1_frame(pointer);
        if (wl_display_roundtrip(display) < 0) {
            printf("error: the compositor went away\n");
            return 1;
        }
        printf("ok\n");
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
