#include <windows.h>

#include "platform/win32/runtime_win.h"
#include "platform/win32/single_instance_win.h"
#include "screens/screen_frames.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // A second start in the session shows no frame: the running one comes forward instead.
    const auto session = zelvaro::win32::SessionInstance::claim();
    if (!session.first()) return 0;
    zelvaro::win32::Win32Runtime runtime(instance);
    zelvaro::ScreenFrames frames(runtime);
    frames.Load();
    if (!frames.loaded()) return 1;
    return runtime.run();
}
