#include <windows.h>

#include "platform/win32/runtime_win.h"
#include "screens/screen_frames.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    zelvaro::win32::Win32Runtime runtime(instance);
    zelvaro::ScreenFrames frames(runtime);
    frames.Load();
    if (!frames.loaded()) return 1;
    return runtime.run();
}
