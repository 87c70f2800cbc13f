#include "platform/qt/runtime_qt.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QSettings>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/qt/band_frame_qt.h"
#include "platform/qt/convert_qt.h"
#include "platform/qt/dialog_qt.h"
#include "platform/qt/frame_shell.h"
#include "platform/qt/layer_frame_qt.h"
#include "platform/qt/shaped_frame_qt.h"
#include "platform/qt/strut_dock_qt.h"

namespace zelvaro::qt {

namespace {

// $XDG_CONFIG_HOME/<application>/<application>.conf, ~/.config when the variable is unset.
QString settingsPath(std::u16string_view application) {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.config");
    const QString name = qstring(application);
    return base + u'/' + name + u'/' + name + QStringLiteral(".conf");
}

class QtTimer final : public platform::Timer {
  public:
    QtTimer(std::chrono::milliseconds interval, std::function<void()> onTick) {
        // Qt's default timers may fire 5 % early or late: the glow's 1.5 s and the picture's 3 s
        // are to the millisecond.
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(static_cast<int>(interval.count()));
        QObject::connect(&timer_, &QTimer::timeout, std::move(onTick));
    }
    // Starting a running QTimer would restart its countdown; an enabled timer keeps it.
    void setEnabled(bool enabled) override {
        if (enabled && !timer_.isActive())
            timer_.start();
        else if (!enabled)
            timer_.stop();
    }
    bool enabled() const override { return timer_.isActive(); }

  private:
    QTimer timer_;
};

} // namespace

double twipsPerPixel(const QScreen& screen) {
    return platform::twipsPerPixelAt(screen.logicalDotsPerInchX());
}

double twipsPerPixel() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? twipsPerPixel(*screen) : platform::kDefaultTwipsPerPixel;
}

std::u16string identityOf(const QScreen& screen) {
    QString identity = screen.name();
    for (const QString& part : {screen.model(), screen.serialNumber()})
        if (!part.isEmpty()) identity += u' ' + part;
    return {reinterpret_cast<const char16_t*>(identity.utf16()),
            static_cast<std::size_t>(identity.size())};
}

namespace {

// Qt ends the process with exit() when its display connection breaks, from inside its own event
// handling: the frames hear it on the way out as a close request, as at the end of a session.
QtRuntime* runningRuntime = nullptr;

void closeOnExit() {
    if (runningRuntime) runningRuntime->closeRequest();
}

} // namespace

QtRuntime::QtRuntime(FrameShell* shell, bool bandWindows)
    : shell_(shell), bandWindows_(bandWindows) {
    // Qt's own bell is the X server's; its Wayland platform has none, and reads nothing while
    // the user-interface thread is blocked (the fade): the native frame's shell does both.
    bell_ = shell ? std::function<void()>([shell] { shell->beep(); }) : &QApplication::beep;
    whileBlocked_ =
        shell ? std::function<void()>([shell] { shell->handlePendingEvents(); }) : [] {};
    // Windows are kept out of the bands through the compositor's layers, or the X window
    // manager's struts.
    if (shell)
        canReserve_ = [shell] { return shell->canReserveEdges(); };
    else
        canReserve_ = &StrutDock::supported;
    [[maybe_unused]] static const int hooked = std::atexit(closeOnExit);
    runningRuntime = this;
}

QtRuntime::~QtRuntime() {
    runningRuntime = nullptr;
    flushSettings();
}

std::vector<platform::Screen> QtRuntime::screens() const {
    std::vector<platform::Screen> list;
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (const QScreen* screen : QGuiApplication::screens()) {
        // Pixels of the display: high-DPI scaling is off.
        const QRect r = screen->geometry();
        const double perPixel = twipsPerPixel(*screen);
        list.push_back({identityOf(*screen),
                        {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()},
                        screen == primary,
                        perPixel,
                        perPixel});
    }
    // Qt lists a placeholder while no display is connected; should it list none, a screen of the
    // classic size keeps the frames defined until one comes.
    if (list.empty()) list.push_back({u"", {0, 0, 1024, 768}, true});
    return list;
}

QScreen* QtRuntime::qscreen(std::u16string_view identity) {
    for (QScreen* screen : QGuiApplication::screens())
        if (identityOf(*screen) == identity) return screen;
    return nullptr;
}

std::unique_ptr<platform::FrameWindow>
QtRuntime::createFrameWindow(platform::WindowEvents& events, const platform::Screen& screen) {
    watchDesktop();
    if (shell_) return LayerFrameWindow::create(*this, events, screen, *shell_);
    if (bandWindows_) return std::make_unique<BandFrameWindow>(*this, events, screen);
    return std::make_unique<ShapedFrameWindow>(*this, events, screen);
}

bool QtRuntime::closeRequest() {
    if (frameWindows_.empty()) return false;
    frameWindows_.front()->requestClose();
    return true;
}

bool QtRuntime::secondStart() {
    if (frameWindows_.empty()) return false;
    frameWindows_.front()->secondStart();
    return true;
}

void QtRuntime::addFrameWindow(QtFrameWindow* window) {
    frameWindows_.push_back(window);
}

void QtRuntime::removeFrameWindow(QtFrameWindow* window) {
    std::erase(frameWindows_, window);
}

void QtRuntime::watchDesktop() {
    if (screenWatch_) return;
    // The connections go with the runtime, before the application that may still emit.
    screenWatch_ = std::make_unique<QObject>();
    QObject* context = screenWatch_.get();
    // The end of the session asks the application to save its work.
    QObject::connect(qGuiApp, &QGuiApplication::commitDataRequest, context,
                     [this] { closeRequest(); });
    QObject::connect(qGuiApp, &QGuiApplication::screenAdded, context, [this](QScreen* screen) {
        watch(screen);
        screensChanged();
    });
    QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, context,
                     [this] { screensChanged(); });
    QObject::connect(qGuiApp, &QGuiApplication::primaryScreenChanged, context,
                     [this] { screensChanged(); });
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
}

void QtRuntime::watch(QScreen* screen) {
    // A new resolution, place or density.
    QObject* context = screenWatch_.get();
    QObject::connect(screen, &QScreen::geometryChanged, context, [this] { screensChanged(); });
    QObject::connect(screen, &QScreen::logicalDotsPerInchChanged, context,
                     [this] { screensChanged(); });
}

void QtRuntime::screensChanged() {
    // A copy: a window may go while the others hear of it.
    const std::vector<QtFrameWindow*> windows = frameWindows_;
    for (QtFrameWindow* window : windows)
        if (std::find(frameWindows_.begin(), frameWindows_.end(), window) != frameWindows_.end())
            window->displayChanged();
}

std::unique_ptr<platform::Timer> QtRuntime::createTimer(std::chrono::milliseconds interval,
                                                        std::function<void()> onTick) {
    return std::make_unique<QtTimer>(interval, std::move(onTick));
}

std::unique_ptr<platform::DialogWindow>
QtRuntime::createDialog(const platform::DialogLayout& layout, platform::DialogEvents& events,
                        platform::FrameWindow& owner) {
    return std::make_unique<QtDialog>(layout, events, static_cast<QtFrameWindow&>(owner));
}

void QtRuntime::beep() {
    bell_();
}

void QtRuntime::sleep(std::chrono::milliseconds duration) {
    QThread::msleep(static_cast<unsigned long>(duration.count()));
    whileBlocked_();
}

void QtRuntime::quit() {
    flushSettings();
    // exit, not quit: quit asks every window whether it may close, and may be refused.
    QCoreApplication::exit(0);
}

QSettings* QtRuntime::settings(std::u16string_view application) {
    if (!settings_) {
        settings_ = std::make_unique<QSettings>(settingsPath(application), QSettings::IniFormat);
        settings_->setAtomicSyncRequired(true); // written to a new file, then renamed over
    }
    return settings_.get();
}

std::u16string QtRuntime::getSetting(std::u16string_view application, std::u16string_view section,
                                     std::u16string_view key, std::u16string_view defaultValue) {
    QSettings* store = settings(application);
    if (store->status() != QSettings::NoError && !reportedUnreadable_) {
        reportedUnreadable_ = true;
        std::fprintf(stderr, "zelvaro: impossible de lire les réglages de %s ; marges par défaut\n",
                     qPrintable(store->fileName()));
    }
    const QVariant value = store->value(qstring(section) + u'/' + qstring(key));
    // A value the INI format reads as a list or anything but text counts as absent.
    if (!value.isValid() || value.typeId() != QMetaType::QString)
        return std::u16string(defaultValue);
    const QString text = value.toString();
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

void QtRuntime::saveSetting(std::u16string_view application, std::u16string_view section,
                            std::u16string_view key, std::u16string_view value) {
    QSettings* store = settings(application);
    store->setValue(qstring(section) + u'/' + qstring(key), qstring(value));
    // Both margins go into the file together: one write once the caller has set them all.
    if (!unsaved_) QTimer::singleShot(0, [this] { flushSettings(); });
    unsaved_ = true;
}

void QtRuntime::flushSettings() {
    if (!unsaved_ || !settings_) return;
    unsaved_ = false;
    settings_->sync();
    if (settings_->status() != QSettings::NoError)
        std::fprintf(stderr,
                     "zelvaro: impossible d'écrire les réglages dans %s ; les marges ne sont pas "
                     "enregistrées\n",
                     qPrintable(settings_->fileName()));
}

platform::RegionHandle QtRuntime::createRect(platform::PixelRect r) {
    // Inverted edges are swapped, as the Windows rectangle-region call does.
    const QRect rect(QPoint(std::min(r.left, r.right), std::min(r.top, r.bottom)),
                     QPoint(std::max(r.left, r.right) - 1, std::max(r.top, r.bottom) - 1));
    const platform::RegionHandle handle = nextRegion_++;
    regions_.emplace(handle, rect.isValid() ? QRegion(rect) : QRegion());
    return handle;
}

void QtRuntime::combineDifference(platform::RegionHandle destination,
                                  platform::RegionHandle minuend,
                                  platform::RegionHandle subtrahend) {
    const auto a = regions_.find(minuend), b = regions_.find(subtrahend);
    const auto out = regions_.find(destination);
    if (a == regions_.end() || b == regions_.end() || out == regions_.end()) return;
    out->second = a->second.subtracted(b->second);
}

void QtRuntime::destroy(platform::RegionHandle region) {
    regions_.erase(region);
}

QRegion QtRuntime::takeRegion(platform::RegionHandle region) {
    const auto found = regions_.find(region);
    if (found == regions_.end()) return {};
    QRegion taken = std::move(found->second);
    regions_.erase(found);
    return taken;
}

} // namespace zelvaro::qt
