#include <QApplication>
#include <QIcon>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

#include "frame/frame_form.h"
#include "platform/qt/runtime_qt.h"

namespace {

// Signals are turned into a byte on this socket, read back in the event loop.
int signalSocket[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalSocket[0], &byte, 1);
}

// Set while the frame lives: if Qt ends the process on its own (the X connection is gone), the
// margins are still saved on the way out.
zelvaro::frmZelvaro* liveFrame = nullptr;
zelvaro::qt::QtRuntime* liveRuntime = nullptr;

void saveOnExit() {
    if (!liveFrame || !liveFrame->loaded()) return;
    bool cancel = false;
    liveFrame->Form_Unload(cancel);
    liveRuntime->flushSettings();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "zelvaro: no X display (DISPLAY is not set); start Zelvaro from a "
                             "graphical session\n");
        return 1;
    }
    // A positioned, always-on-top window is not granted to Wayland clients: run through XWayland.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    // Margins are device pixels: a 20-pixel band is 20 pixels on the screen at any scaling.
    if (qEnvironmentVariableIsEmpty("QT_ENABLE_HIGHDPI_SCALING"))
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");

    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QIcon icon;
    for (const char* size : {"16", "32", "48"})
        icon.addFile(QStringLiteral(":/images/zelvaro-%1.png").arg(QLatin1String(size)));
    QApplication::setWindowIcon(icon);

    zelvaro::qt::QtRuntime runtime;
    zelvaro::frmZelvaro frame(runtime);

    // SIGTERM, SIGINT and SIGHUP end the program as Escape does, margins saved.
    std::unique_ptr<QSocketNotifier> signalNotifier;
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalSocket) == 0) {
        signalNotifier = std::make_unique<QSocketNotifier>(signalSocket[1], QSocketNotifier::Read);
        QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, [&frame] {
            char byte;
            [[maybe_unused]] const auto read = ::read(signalSocket[1], &byte, 1);
            frame.Unload();
        });
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int signal : {SIGTERM, SIGINT, SIGHUP})
            sigaction(signal, &action, nullptr);
    } else {
        std::perror("zelvaro: no signal handling, a signal will end Zelvaro without saving");
    }
    // The end of the session asks the application to save its work.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, [&frame] { frame.Unload(); });

    liveFrame = &frame;
    liveRuntime = &runtime;
    std::atexit(saveOnExit);

    frame.Load();
    const int status = frame.loaded() ? QApplication::exec() : 1;
    liveFrame = nullptr;
    liveRuntime = nullptr;
    return status;
}
