// What the Wayland tools of the end-to-end tests share: a connection whose globals are offered to
// the tool's own bind, and X's button numbers (1 left, 2 middle, 3 right) as the kernel's codes.
#pragma once

#include <linux/input-event-codes.h>
#include <stdio.h>
#include <stdlib.h>
#include <wayland-client.h>

typedef void ToolBind(struct wl_registry* registry, uint32_t name, const char* interface,
                      uint32_t version);
static ToolBind* tool_bind;

static void tool_global(void* data, struct wl_registry* registry, uint32_t name,
                        const char* interface, uint32_t version) {
    (void)data;
    tool_bind(registry, name, interface, version);
}
static void tool_global_remove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data, (void)registry, (void)name;
}

// Connects, or ends the tool: its globals are bound once this returns.
static inline struct wl_display* tool_connect(const char* tool, ToolBind* bind) {
    static const struct wl_registry_listener listener = {tool_global, tool_global_remove};
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "%s: no Wayland display\n", tool);
        exit(1);
    }
    tool_bind = bind;
    wl_registry_add_listener(wl_display_get_registry(display), &listener, NULL);
    wl_display_roundtrip(display);
    return display;
}

static inline int button_code(int x_button) {
    return x_button == 1 ? BTN_LEFT : x_button == 2 ? BTN_MIDDLE : x_button == 3 ? BTN_RIGHT : -1;
}
