#include <QApplication>
#include <QIcon>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/qt/frame_shell.h"
#include "platform/qt/runtime_qt.h"
#include "platform/qt/session_qt.h"
#include "platform/qt/single_instance_qt.h"
#include "screens/screen_frames.h"

#ifdef ZELVARO_WAYLAND_FRAME
#include "platform/wayland/layer_shell.h"
#endif

namespace {

// Signals are turned into a byte on this socket, read back in the event loop.
int signalSocket[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalSocket[0], &byte, 1);
}

// Set while the frames live: if Qt ends the process on its own (the X connection is gone), the
// margins are still saved on the way out.
zelvaro::ScreenFrames* liveFrames = nullptr;
zelvaro::qt::QtRuntime* liveRuntime = nullptr;

void saveOnExit() {
    if (!liveFrames || !liveFrames->loaded()) return;
    liveFrames->save();
    liveRuntime->flushSettings();
}

// SIGTERM, SIGINT and SIGHUP run this in the event loop.
std::function<void()> onTerminate;

// Signals are turned into a byte on this socket, read back in the event loop; the notifier is
// alive as long as the returned object.
std::unique_ptr<QSocketNotifier> handleSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalSocket) != 0) {
        std::fprintf(stderr, "zelvaro: signaux non gérés (%s) ; un signal arrêtera Zelvaro sans "
                             "enregistrer les marges\n", std::strerror(errno));
        return nullptr;
    }
    auto notifier = std::make_unique<QSocketNotifier>(signalSocket[1], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [] {
        char byte;
        [[maybe_unused]] const auto read = ::read(signalSocket[1], &byte, 1);
        if (onTerminate) onTerminate();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
    return notifier;
}

// The program's own objects, from the refusal dialog to the frames and their saved margins, live
// and end in here, before the application object does.
int run(const zelvaro::qt::SessionChoice& choice) {
    using zelvaro::qt::Session;
    // Nothing covers the screen and nothing is read or written: the user reads why, then it ends.
    if (choice.session == Session::Refused) {
        onTerminate = [] { QCoreApplication::exit(1); };
        zelvaro::qt::showRefusal(choice);
        QApplication::exec();
        return 1;
    }

    // A second start in the session shows no frame: the running one comes forward instead.
    auto instance = zelvaro::qt::SingleInstance::claim();
    if (!instance) return 0;
    // The application's signals reach what lives in here only while it lives.
    const QObject scope;
    // The margins are written once the loop ends: a start from then on is a first one again.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &scope,
                     [&instance] { instance.reset(); });

    std::unique_ptr<zelvaro::qt::FrameShell> shell;
#ifdef ZELVARO_WAYLAND_FRAME
    if (choice.session == Session::WaylandFrame) {
        shell = zelvaro::wayland::createLayerShell();
        if (!shell) return 1;
    }
#endif
    zelvaro::qt::QtRuntime runtime(shell.get(), choice.session == Session::BandWindows);
    zelvaro::ScreenFrames frames(runtime);
    instance->onSecondStart([&frames] {
        frames.secondStart();
        return frames.loaded();
    });
    // A signal ends the program as Escape does, margins saved.
    onTerminate = [&frames] { frames.Unload(); };
    // The end of the session asks the application to save its work.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, &scope,
                     [&frames] { frames.Unload(); });

    liveFrames = &frames;
    liveRuntime = &runtime;
    std::atexit(saveOnExit);

    frames.Load();
    const int status = frames.loaded() ? QApplication::exec() : 1;
    liveFrames = nullptr;
    liveRuntime = nullptr;
    onTerminate = nullptr;
    return status;
}

} // namespace

int main(int argc, char** argv) {
    using zelvaro::qt::Session;
    const zelvaro::qt::SessionChoice choice = zelvaro::qt::chooseSession();
    if (choice.session == Session::NoDisplay) {
        std::fprintf(stderr, "zelvaro: pas d'affichage (ni WAYLAND_DISPLAY ni DISPLAY) ; "
                             "lancez Zelvaro depuis une session graphique\n");
        return 1;
    }
    // Margins are device pixels: a 20-pixel band is 20 pixels on the screen at any scaling.
    if (qEnvironmentVariableIsEmpty("QT_ENABLE_HIGHDPI_SCALING"))
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");

    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QIcon icon;
    for (const char* size : {"16", "32", "48"})
        icon.addFile(QStringLiteral(":/images/zelvaro-%1.png").arg(QLatin1String(size)));
    QApplication::setWindowIcon(icon);
    const auto signalNotifier = handleSignals();

    const int status = run(choice);
    // Qt 6.4's Wayland client can hang for good while it closes the connection: its event thread
    // waits on a read the main thread prepared and never made (seen when a signal comes while the
    // refusal dialog is still being mapped). Everything of ours is saved and closed by now, so the
    // process ends here rather than wait on Qt's teardown.
    if (QGuiApplication::platformName() == QLatin1String("wayland")) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
