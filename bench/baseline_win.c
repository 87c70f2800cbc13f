// The floor the Windows build is measured against under the same Wine: the same visible job with
// nothing but user32 and gdi32. One full-screen topmost popup, black, cut by a window region into
// four bands; Right and Left widen and narrow the side bands by one pixel, Escape quits. No glow,
// no fade, no settings, no resources.
#include <windows.h>

enum { kHorizontal = 20, kVertical = 50, kMinimum = 2 };

static int width, height, side = kHorizontal;

// A GUI program has no console: Wine hands it the launcher's standard error all the same.
static int fail(const char* what) {
    DWORD written;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), what, (DWORD)lstrlenA(what), &written, NULL);
    return 1;
}

// Top, left, right, bottom: already in the banded order GDI keeps regions in.
static void cut(HWND window) {
    struct {
        RGNDATAHEADER header;
        RECT bands[4];
    } data = {
        {sizeof(RGNDATAHEADER), RDH_RECTANGLES, 4, 0, {0, 0, width, height}},
        {
            {0, 0, width, kVertical},
            {0, kVertical, side, height - kVertical},
            {width - side, kVertical, width, height - kVertical},
            {0, height - kVertical, width, height},
        },
    };
    HRGN region = ExtCreateRegion(NULL, sizeof data, (const RGNDATA*)&data);
    if (!region) return;
    // The window owns the region once the call succeeds. Wine 10 can show the shape a step late,
    // a column outside the new region black, until the whole window is painted again; the frame
    // repaints at every new region too.
    if (SetWindowRgn(window, region, TRUE))
        RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    else
        DeleteObject(region);
}

static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN: {
        const int before = side;
        if (wParam == VK_ESCAPE) DestroyWindow(window);
        if (wParam == VK_RIGHT && side < width / 2 - 1) ++side;
        if (wParam == VK_LEFT && side > kMinimum) --side;
        if (side != before) cut(window);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)previous, (void)commandLine, (void)show;
    SetProcessDPIAware(); // physical pixels, as the frame uses, on a scaled screen too
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);

    // The class brush paints the bands: no WM_PAINT handler of our own.
    WNDCLASSW windowClass = {0};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    windowClass.lpszClassName = L"ZelvaroFloor";
    if (!RegisterClassW(&windowClass))
        return fail("baseline_win: cannot register the window class\n");
    HWND window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, windowClass.lpszClassName, L"",
                                  WS_POPUP, 0, 0, width, height, NULL, NULL, instance, NULL);
    if (!window) return fail("baseline_win: cannot create the window\n");
    cut(window); // shaped before it shows: no flash
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(
        window); // no window manager hands out the focus: take it, as the frame does

    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0)
        DispatchMessageW(&message);
    return (int)message.wParam;
}
