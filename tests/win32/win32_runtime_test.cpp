// The Win32 runtime on a real (or Wine's) window manager and registry: region ownership over many
// steps, timer semantics, settings of the wrong type, and the bands kept from other windows.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "frame/frame_form.h"
#include "frame/margins.h"
#include "platform/win32/frame_window_win.h"
#include "platform/win32/runtime_win.h"
#include "screens/screen_frames.h"

using namespace zelvaro;

namespace {

int passed = 0, failed = 0;

void check(bool ok, const char* what) {
    ++(ok ? passed : failed);
    std::printf("%s - %s\n", ok ? "ok  " : "FAIL", what);
}

void pump(DWORD milliseconds = 0) {
    const DWORD end = GetTickCount() + milliseconds;
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        if (milliseconds) Sleep(5);
    } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

const wchar_t kConfig[] = L"Software\\Zelvaro\\Config";

void regionsStayOwnedOverManySteps(win32::Win32Runtime& runtime) {
    RegDeleteKeyW(HKEY_CURRENT_USER, kConfig);
    ScreenFrames frames(runtime);
    frames.Load();
    frmZelvaro& form = *frames.frames().front();
    pump(50);
    HWND window = static_cast<win32::Win32FrameWindow&>(form.window()).handle();
    const DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const long liveBefore = runtime.liveRegions();
    for (int i = 0; i < 10000; ++i) {
        form.Form_KeyDown(i % 2 ? platform::keys::Left : platform::keys::Right, 0);
        if (i % 250 == 0) pump();
    }
    pump(50);
    const DWORD gdiAfter = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    std::printf("regions alive outside the window: %ld before, %ld after 10000 steps\n", liveBefore,
                runtime.liveRegions());
    std::printf("GDI objects: %lu before, %lu after 10000 steps\n", gdiBefore, gdiAfter);
    check(liveBefore == 0 && runtime.liveRegions() == 0, "no region outlives a step");
    check(gdiAfter == gdiBefore, "the GDI object count does not grow over 10000 steps");

    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    const int kind = GetWindowRgn(window, shape);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    check(kind == COMPLEXREGION, "the window holds a frame-shaped region");
    check(PtInRegion(shape, 19, height / 2) && !PtInRegion(shape, 20, height / 2) &&
              PtInRegion(shape, 300, 49) && !PtInRegion(shape, 300, 50),
          "its bands are 20 and 50 pixels after as many steps out as back");
    DeleteObject(shape);

    form.Unload();
    check(!IsWindow(window), "unloading destroys the window");
}

// Whether the shell offers a toolbar registered now the whole screen less these sides: Wine's
// shell leaves the work area as it is, but takes from the offer every side an earlier one holds.
bool offers(LONG left, LONG top, LONG right, LONG bottom) {
    HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                                 nullptr);
    APPBARDATA data{sizeof data, probe, WM_APP, 0, {}, 0};
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const BOOL registered = probe && SHAppBarMessage(ABM_NEW, &data);
    data.rc = screen;
    if (registered) SHAppBarMessage(ABM_QUERYPOS, &data);
    SHAppBarMessage(ABM_REMOVE, &data);
    if (probe) DestroyWindow(probe);
    const RECT& o = data.rc;
    std::printf("offered with %ld, %ld, %ld, %ld taken\n", o.left, o.top, screen.right - o.right,
                screen.bottom - o.bottom);
    return registered && o.left == left && o.top == top && o.right == screen.right - right &&
           o.bottom == screen.bottom - bottom;
}

int hiddenToolbars(HWND frame) {
    int count = 0;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT))
        if (GetWindow(w, GW_OWNER) == frame && !IsWindowVisible(w)) ++count;
    return count;
}

void theBandsAreKeptUntilGivenBack(win32::Win32Runtime& runtime) {
    RegDeleteKeyW(HKEY_CURRENT_USER, kConfig);
    runtime.saveSetting(u"Zelvaro", u"Config", u"Reserver", u"1");
    ScreenFrames frames(runtime);
    frames.Load();
    frmZelvaro& form = *frames.frames().front();
    platform::FrameWindow& window = form.window();
    HWND handle = static_cast<win32::Win32FrameWindow&>(window).handle();
    check(runtime.canReserveEdges() && offers(20, 50, 20, 50) && hiddenToolbars(handle) == 4,
          "with the item on, a frame's four bands are held by four hidden toolbars");
    window.reserveEdges({21, 0, 20, 50});
    check(offers(21, 0, 20, 50) && hiddenToolbars(handle) == 3,
          "a band that changes follows, one that goes to zero is given back");
    window.reserveEdges({});
    check(offers(0, 0, 0, 0) && hiddenToolbars(handle) == 0, "all zero gives every band back");
    window.reserveEdges({20, 50, 20, 50});
    window.close();
    check(offers(0, 0, 0, 0), "closing the window gives them back");
    form.Unload();
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    RegDeleteKeyW(HKEY_CURRENT_USER, kConfig);
}

void enablingAnEnabledTimerKeepsItsCountdown(win32::Win32Runtime& runtime) {
    DWORD tickedAt = 0;
    const DWORD start = GetTickCount();
    auto timer = runtime.createTimer(std::chrono::milliseconds(400), [&] {
        if (!tickedAt) tickedAt = GetTickCount();
    });
    timer->setEnabled(true);
    pump(250);
    timer->setEnabled(true);
    pump(400);
    timer.reset();
    const DWORD elapsed = tickedAt - start;
    std::printf("first tick after %lu ms\n", elapsed);
    check(tickedAt != 0 && elapsed < 600, "re-enabling an armed timer does not restart it");
}

void settingsOfTheWrongTypeReadAsAbsent(win32::Win32Runtime& runtime) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kConfig, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                    nullptr);
    const DWORD number = 30;
    RegSetValueExW(key, L"Horizontale", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof number);
    const BYTE bytes[] = {'3', 0, '0', 0};
    RegSetValueExW(key, L"Verticale", 0, REG_BINARY, bytes, sizeof bytes);
    const wchar_t withNul[] = L"12\0"
                              L"3";
    RegSetValueExW(key, L"Nul", 0, REG_SZ, reinterpret_cast<const BYTE*>(withNul), sizeof withNul);
    RegCloseKey(key);

    check(runtime.getSetting(u"Zelvaro", u"Config", u"Horizontale", u"20") == u"20",
          "a REG_DWORD margin reads as absent");
    check(runtime.getSetting(u"Zelvaro", u"Config", u"Verticale", u"50") == u"50",
          "a REG_BINARY margin reads as absent");
    check(runtime.getSetting(u"Zelvaro", u"Config", u"Nul", u"") == std::u16string(u"12\0"
                                                                                   u"3",
                                                                                   4),
          "a NUL inside a text value is kept, so it cannot pass for a number");

    runtime.saveSetting(u"Zelvaro", u"Config", u"Horizontale", u"23");
    check(runtime.getSetting(u"Zelvaro", u"Config", u"Horizontale", u"20") == u"23",
          "a saved value replaces one of the wrong type");
    RegDeleteKeyW(HKEY_CURRENT_USER, kConfig);
}

// However the system ends the frame, the margins of that moment are saved.
void closeRequestsSaveTheMargins(win32::Win32Runtime& runtime) {
    struct Ending {
        UINT message;
        WPARAM wParam;
        const char* what;
    };
    for (const Ending& ending :
         {Ending{WM_CLOSE, 0, "WM_CLOSE"}, Ending{WM_ENDSESSION, TRUE, "the end of the session"}}) {
        RegDeleteKeyW(HKEY_CURRENT_USER, kConfig);
        runtime.saveSetting(u"Zelvaro", u"Config", u"Reserver", u"1");
        ScreenFrames frames(runtime);
        frames.Load();
        frmZelvaro& form = *frames.frames().front();
        HWND window = static_cast<win32::Win32FrameWindow&>(form.window()).handle();
        check(SendMessageW(window, WM_QUERYENDSESSION, 0, 0) == TRUE,
              "the frame lets the session end");
        form.Form_KeyDown(platform::keys::Right, 0);
        form.Form_KeyDown(platform::keys::Up, 0);
        SendMessageW(window, ending.message, ending.wParam, 0);
        const std::string saved =
            std::string(ending.what) + " saves 21 and 49 and closes the frame";
        check(runtime.getSetting(u"Zelvaro", u"Config", u"Horizontale", u"") == u"21" &&
                  runtime.getSetting(u"Zelvaro", u"Config", u"Verticale", u"") == u"49" &&
                  !form.loaded() && !IsWindow(window),
              saved.c_str());
        check(offers(0, 0, 0, 0), "and gives the bands back");
        // Each unload ends the program: take its quit message off the queue.
        MSG quit;
        while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    RegDeleteKeyW(HKEY_CURRENT_USER, kConfig);
}

// The monitor list as the frames see it: one primary screen at the origin, as large as the system
// metrics say, named so that its margins find it again.
void monitorsAreListedWithTheirIdentity(win32::Win32Runtime& runtime) {
    const std::vector<platform::Screen> screens = runtime.screens();
    check(!screens.empty(), "the monitors are listed");
    if (screens.empty()) return;
    const platform::Screen& primary = platform::primaryOf(screens);
    check(primary.primary &&
              primary.bounds == platform::PixelRect{0, 0, GetSystemMetrics(SM_CXSCREEN),
                                                    GetSystemMetrics(SM_CYSCREEN)},
          "the primary one covers the screen from the origin");
    check(!primary.identity.empty() && primary.identity == runtime.screens().front().identity,
          "it has an identity, the same at every look");
    check(primary.twipsPerPixelX > 0 && primary.twipsPerPixelY > 0, "and a density");
}

} // namespace

int main() {
    win32::Win32Runtime runtime(GetModuleHandleW(nullptr));
    regionsStayOwnedOverManySteps(runtime);
    enablingAnEnabledTimerKeepsItsCountdown(runtime);
    settingsOfTheWrongTypeReadAsAbsent(runtime);
    closeRequestsSaveTheMargins(runtime);
    monitorsAreListedWithTheirIdentity(runtime);
    theBandsAreKeptUntilGivenBack(runtime);
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
