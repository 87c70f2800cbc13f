#include "platform/qt/session_qt.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMessageBox>

#include <cstdio>

#ifdef ZELVARO_WAYLAND_FRAME
#include "platform/wayland/layer_shell.h"
#include "platform/wayland/probe.h"
#endif

namespace zelvaro::qt {

namespace {

bool isSet(const char* variable) {
    return !qEnvironmentVariableIsEmpty(variable);
}

QString refusalText(const SessionChoice& choice) {
    return QStringLiteral("Zelvaro ne peut pas fonctionner sur le bureau « %1 » : il y manque %2, "
                          "sans quoi son cadre couvrirait l'écran sans laisser cliquer au milieu "
                          "ni recevoir le clavier. Zelvaro s'arrête sans rien modifier.")
        .arg(choice.desktop, choice.missing);
}

SessionChoice refuse(QString desktop, QString missing) {
    // A dialog needs a Qt platform: the compositor's own, else XWayland's.
    qputenv("QT_QPA_PLATFORM", "wayland;xcb");
    return {Session::Refused, std::move(desktop), std::move(missing)};
}

// GNOME's compositor offers no layer-shell, hit-tests an X window's whole rectangle and gives an
// override-redirect window the keyboard only now and then; but it passes clicks between separate
// X windows and gives a managed one the keyboard. XDG_CURRENT_DESKTOP may list several names.
bool isGnome(const QString& desktop) {
    return desktop.split(QLatin1Char(':')).contains(QStringLiteral("GNOME"), Qt::CaseInsensitive);
}

SessionChoice chooseWayland() {
    QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    if (isGnome(desktop)) {
        if (!isSet("DISPLAY"))
            return refuse(desktop, QStringLiteral("XWayland (le serveur X du bureau), "
                                                  "désactivé dans cette session"));
        qputenv("QT_QPA_PLATFORM", "xcb");
        return {Session::BandWindows, desktop, {}};
    }
#ifdef ZELVARO_WAYLAND_FRAME
    const auto compositor = wayland::probeCompositor();
    if (!compositor) {
        // A stale WAYLAND_DISPLAY in an X session: the X server is the session.
        if (isSet("DISPLAY")) return {Session::X11, {}, {}};
        return {};
    }
    if (desktop.isEmpty()) desktop = QString::fromStdString(compositor->process);
    if (desktop.isEmpty()) desktop = QStringLiteral("Wayland");
    if (!compositor->layerShell)
        return refuse(desktop, QStringLiteral("le protocole Wayland des couches d'écran "
                                              "(zwlr_layer_shell_v1)"));
    const QString plugin = QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                           QStringLiteral("/platforms/libqwayland-generic.so");
    if (!QFileInfo::exists(plugin))
        return refuse(desktop, QStringLiteral("le module Wayland de Qt (paquet qt6-wayland)"));
    qputenv("QT_QPA_PLATFORM", "wayland");
    qputenv(wayland::kLeaveRolesToProgram, "1");
    return {Session::WaylandFrame, desktop, {}};
#else
    if (desktop.isEmpty()) desktop = QStringLiteral("Wayland");
    return refuse(desktop, QStringLiteral("la prise en charge de Wayland, absente de cette "
                                          "compilation de Zelvaro"));
#endif
}

} // namespace

SessionChoice chooseSession() {
    // Asked for by name: XWayland or an X server, as the user wants.
    if (qgetenv("QT_QPA_PLATFORM") == "xcb")
        return isSet("DISPLAY") ? SessionChoice{Session::X11, {}, {}} : SessionChoice{};
    if (isSet("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland")
        return chooseWayland();
    if (!isSet("DISPLAY")) return {};
    qputenv("QT_QPA_PLATFORM", "xcb");
    return {Session::X11, {}, {}};
}

void printRefusal(const SessionChoice& choice) {
    std::fprintf(stderr, "zelvaro: %s\n", qPrintable(refusalText(choice)));
}

void showRefusal(const SessionChoice& choice) {
    printRefusal(choice);
    auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Zelvaro"),
                                refusalText(choice), QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::finished, [] { QCoreApplication::exit(1); });
    box->open();
}

} // namespace zelvaro::qt
