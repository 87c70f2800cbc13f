#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/qt/frame_shell.h"
#include "platform/qt/runtime_qt.h"
#include "platform/qt/session_qt.h"
#include "platform/qt/signals_qt.h"
#include "platform/qt/single_instance_qt.h"
#include "screens/screen_frames.h"

#ifdef ZELVARO_WAYLAND_FRAME
#include "platform/wayland/layer_shell.h"
#endif

namespace {

// The program's own objects, from the refusal dialog to the frames and their saved margins, live
// and end in here, before the application object does.
int run(const zelvaro::qt::SessionChoice& choice, zelvaro::qt::TerminationSignals& terminations) {
    using zelvaro::qt::Session;
    // Nothing covers the screen and nothing is read or written: the user reads why, then it ends.
    if (choice.session == Session::Refused) {
        terminations.onSignal([] { QCoreApplication::exit(1); });
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
    // From outside the windows, handed to the frames as a window hears it: another start, a
    // signal (ends the program as Escape does, margins saved).
    instance->onSecondStart([&runtime] { return runtime.secondStart(); });
    terminations.onSignal([&runtime] {
        if (!runtime.closeRequest()) runtime.quit();
    });

    frames.Load();
    if (!frames.loaded())
        std::fprintf(stderr, "zelvaro: aucun cadre n'a pu être placé ; Zelvaro s'arrête sans rien "
                             "modifier\n");
    const int status = frames.loaded() ? QApplication::exec() : 1;
    terminations.onSignal(nullptr);
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
    zelvaro::qt::TerminationSignals terminations;

    const int status = run(choice, terminations);
    // Qt 6.4's Wayland client can hang for good while it closes the connection: its event thread
    // waits on a read the main thread prepared and never made. It is Qt's own: it happens when a
    // signal comes while the refusal dialog is still being mapped, where no Wayland object of ours
    // exists. Everything of ours is saved and closed by now, so the process ends here rather than
    // wait on Qt's teardown.
    if (QGuiApplication::platformName() == QLatin1String("wayland")) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
