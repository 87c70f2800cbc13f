#include "platform/win32/single_instance_win.h"

#include "instance_names.h"

namespace zelvaro::win32 {

namespace {

// A running copy that is still creating its frame, or already ending, gets this long to show its
// window or to go; a second start should end within two seconds.
constexpr ULONGLONG kPatienceMs = 1500;
constexpr DWORD kPollMs = 50;

// True once the frame has answered; a frame that closes first leaves the claim to this start.
bool tell(HWND frame, ULONGLONG deadline) {
    // The second start has the right to the foreground (the user just launched it) and hands it on.
    DWORD process = 0;
    GetWindowThreadProcessId(frame, &process);
    AllowSetForegroundWindow(process);
    const ULONGLONG now = GetTickCount64();
    const UINT patience = static_cast<UINT>(deadline > now + kPollMs ? deadline - now : kPollMs);
    DWORD_PTR taken = 0;
    return SendMessageTimeoutW(frame, secondStartMessage(), 0, 0, SMTO_ABORTIFHUNG, patience,
                               &taken) &&
           taken == kSecondStartTaken;
}

} // namespace

UINT secondStartMessage() {
    static const UINT message = RegisterWindowMessageW(L"Zelvaro.SecondStart");
    return message;
}

SessionInstance SessionInstance::claim() {
    UniqueHandle mutex(CreateMutexW(nullptr, FALSE, ZELVARO_INSTANCE_MUTEX));
    // Without the mutex nothing can be told apart: run as the only copy.
    if (!mutex) return {nullptr, true};
    const ULONGLONG deadline = GetTickCount64() + kPatienceMs;
    DWORD wait = 0;
    for (;;) {
        // Abandoned: the previous holder died without releasing it (killed); the claim is ours.
        const DWORD got = WaitForSingleObject(mutex.get(), wait);
        if (got == WAIT_OBJECT_0 || got == WAIT_ABANDONED) return {std::move(mutex), true};
        if (HWND frame = FindWindowW(ZELVARO_FRAME_CLASS, nullptr); frame && tell(frame, deadline))
            return {nullptr, false};
        if (GetTickCount64() >= deadline) break;
        wait = kPollMs;
    }
    MessageBoxW(nullptr,
                L"Zelvaro est déjà lancé dans cette session mais ne répond pas. Fermez-le depuis "
                L"le Gestionnaire des tâches, puis relancez Zelvaro.",
                L"Zelvaro", MB_ICONWARNING | MB_OK);
    return {nullptr, false};
}

} // namespace zelvaro::win32
