// Pointer and keyboard input on KWin through its fake-input protocol, in the words of xdotool:
// commands a line each from stdin,
//   mousemove X Y | click BUTTON | mousedown BUTTON | mouseup BUTTON | key NAME...
// "ready" first and each answered "ok" once on the compositor: one device throughout, which KWin 6
// asks of a button held from one command to a later one (it drops a release from another device,
// and releases what a device holds as it goes).
// Buttons are xdotool's (1 left, 2 middle, 3 right); key names are the few the tests type. Every
// command is on the compositor before the next one is sent, and pointer events are paced as a hand
// would pace them: KWin drops a button that follows a motion within the same instant.
#include <stdbool.h>
#include <string.h>
#include <time.h>

#include "fake-input-client-protocol.h"
#include "tool.h"

static struct org_kde_kwin_fake_input* fake;

static void bind_global(struct wl_registry* registry, uint32_t name, const char* interface,
                        uint32_t version) {
    // Version 4 brings the keyboard.
    if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4)
        fake = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4);
}

static int key_code(const char* name) {
    static const struct {
        const char* name;
        int code;
    } keys[] = {{"Escape", KEY_ESC}, {"Left", KEY_LEFT},   {"Right", KEY_RIGHT},
                {"Up", KEY_UP},      {"Down", KEY_DOWN},   {"Return", KEY_ENTER},
                {"Tab", KEY_TAB},    {"space", KEY_SPACE}, {"a", KEY_A},
                {"g", KEY_G},        {"p", KEY_P},         {"q", KEY_Q},
                {"r", KEY_R}};
    for (size_t i = 0; i < sizeof keys / sizeof keys[0]; ++i)
        if (strcmp(keys[i].name, name) == 0) return keys[i].code;
    return -1;
}

static const double kPointerPace = 0.1;

static void pause_for(double seconds) {
    struct timespec t = {(time_t)seconds, (long)((seconds - (time_t)seconds) * 1e9)};
    nanosleep(&t, NULL);
}

// A new device's first button is lost unless it has moved.
static bool moved;

static int run(struct wl_display* display, int argc, char** argv) {
    for (int i = 1; i < argc;) {
        const char* command = argv[i++];
        bool pointer = false;
        const int left = argc - i;
        if (strcmp(command, "mousemove") == 0 && left >= 2) {
            org_kde_kwin_fake_input_pointer_motion_absolute(fake, wl_fixed_from_int(atoi(argv[i])),
                                                            wl_fixed_from_int(atoi(argv[i + 1])));
            i += 2;
            pointer = true;
        } else if ((strcmp(command, "click") == 0 || strcmp(command, "mousedown") == 0 ||
                    strcmp(command, "mouseup") == 0) &&
                   left >= 1 && button_code(atoi(argv[i])) >= 0) {
            const int button = button_code(atoi(argv[i++]));
            // A move on the spot first, if there was none.
            if (!moved) {
                org_kde_kwin_fake_input_pointer_motion(fake, 0, 0);
                wl_display_roundtrip(display);
                pause_for(kPointerPace);
            }
            if (strcmp(command, "mouseup") != 0)
                org_kde_kwin_fake_input_button(fake, button, WL_POINTER_BUTTON_STATE_PRESSED);
            if (strcmp(command, "mousedown") != 0)
                org_kde_kwin_fake_input_button(fake, button, WL_POINTER_BUTTON_STATE_RELEASED);
            pointer = true;
        } else if (strcmp(command, "key") == 0 && left >= 1 && key_code(argv[i]) >= 0) {
            for (; i < argc && key_code(argv[i]) >= 0; ++i) {
                const int key = key_code(argv[i]);
                org_kde_kwin_fake_input_keyboard_key(fake, key, WL_KEYBOARD_KEY_STATE_PRESSED);
                org_kde_kwin_fake_input_keyboard_key(fake, key, WL_KEYBOARD_KEY_STATE_RELEASED);
                wl_display_roundtrip(display);
            }
        } else {
            fprintf(stderr, "kwin-input: cannot read \"%s\" and what follows it\n", command);
            return 2;
        }
        if (wl_display_roundtrip(display) < 0) {
            fprintf(stderr, "kwin-input: the compositor closed the connection\n");
            return 1;
        }
        if (pointer) pause_for(kPointerPace);
        moved = moved || pointer;
    }
    return wl_display_roundtrip(display) < 0;
}

static int run_lines(struct wl_display* display) {
    char line[1024];
    printf("ready\n");
    fflush(stdout);
    while (fgets(line, sizeof line, stdin)) {
        char* words[64] = {NULL};
        int count = 1;
        for (char* word = strtok(line, " \t\n"); word && count < 64; word = strtok(NULL, " \t\n"))
            words[count++] = word;
        const int status = run(display, count, words);
        printf("%s\n", status ? "error" : "ok");
        fflush(stdout);
        if (status == 1) return 1;
    }
    return 0;
}

int main(void) {
    struct wl_display* display = tool_connect("kwin-input", bind_global);
    int status = 1;
    if (!fake) {
        fprintf(stderr, "kwin-input: the compositor offers no fake input (version 4)\n");
    } else {
        org_kde_kwin_fake_input_authenticate(fake, "kwin-input", "end-to-end tests");
        status = run_lines(display);
    }
    if (fake) org_kde_kwin_fake_input_destroy(fake);
    wl_display_disconnect(display);
    return status;
}
