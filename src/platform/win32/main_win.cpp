#include <windows.h>

#include "frame/frame_form.h"
#include "platform/win32/runtime_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    zelvaro::win32::Win32Runtime runtime(instance);
    zelvaro::frmZelvaro frame(runtime);
    frame.Load();
    if (!frame.loaded()) return 1;
    return runtime.run();
}
