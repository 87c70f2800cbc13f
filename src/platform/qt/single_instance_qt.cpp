#include "platform/qt/single_instance_qt.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace zelvaro::qt {

namespace {

// A running copy that is still starting, or already ending, gets this long to answer or to go; a
// second start should end within two seconds.
constexpr int kPatienceMs = 1500;
constexpr int kPollMs = 50;
// The running frame's answer: it came forward.
constexpr char kTaken[] = "1";

// The frame belongs to a display: one Zelvaro per display, whatever the runtime folder.
QString displayKey() {
    QString key = qEnvironmentVariable("WAYLAND_DISPLAY") + u'_' + qEnvironmentVariable("DISPLAY");
    for (QChar& c : key)
        if (!c.isLetterOrNumber() && c != u'.' && c != u'-') c = u'_';
    return key;
}

void warnAlone(const char* what, const QString& path) {
    std::fprintf(stderr, "zelvaro: %s %s (%s) ; un second Zelvaro ne serait pas remarqué\n", what,
                 qPrintable(path), std::strerror(errno));
}

} // namespace

SingleInstance::~SingleInstance() {
    server_.close();
    if (lockFile_ >= 0) ::close(lockFile_);
}

std::unique_ptr<SingleInstance> SingleInstance::claim() {
    std::unique_ptr<SingleInstance> alone(new SingleInstance);
    // $XDG_RUNTIME_DIR, or a private folder Qt makes in /tmp when the session has none.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        errno = ENOENT;
        warnAlone("pas de dossier d'exécution pour", QStringLiteral("le verrou"));
        return alone;
    }
    const QString base = folder + QStringLiteral("/zelvaro-") + displayKey();
    const QString lockPath = base + QStringLiteral(".lock");
    const QString socketPath = base + QStringLiteral(".socket");
    const int lock =
        ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock < 0) {
        warnAlone("impossible d'ouvrir", lockPath);
        return alone;
    }
    alone->lockFile_ = lock;

    const QDeadlineTimer deadline(kPatienceMs);
    for (;;) {
        if (::flock(lock, LOCK_EX | LOCK_NB) == 0) {
            alone->listen(socketPath);
            return alone;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            warnAlone("impossible de verrouiller", lockPath);
            return alone;
        }
        // Another copy holds the lock: a connection is the message, one byte back the answer.
        QLocalSocket running;
        running.connectToServer(socketPath);
        if (running.waitForConnected(kPollMs) &&
            running.waitForReadyRead(std::max<int>(kPollMs, deadline.remainingTime())) &&
            running.read(1) == kTaken)
            return nullptr;
        // Still starting, or ending: wait for it to listen or to release the lock.
        if (deadline.hasExpired()) break;
        QThread::msleep(kPollMs);
    }
    std::fprintf(stderr,
                 "zelvaro: un autre Zelvaro tient %s mais ne répond pas ; celui-ci s'arrête\n",
                 qPrintable(lockPath));
    return nullptr;
}

void SingleInstance::listen(const QString& socketPath) {
    // A socket file left by a copy that was killed would refuse the name.
    QLocalServer::removeServer(socketPath);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(socketPath)) {
        std::fprintf(stderr,
                     "zelvaro: impossible d'écouter sur %s (%s) ; un second Zelvaro ne "
                     "joindra pas celui-ci\n",
                     qPrintable(socketPath), qPrintable(server_.errorString()));
        return;
    }
    QObject::connect(&server_, &QLocalServer::newConnection, [this] {
        while (QLocalSocket* later = server_.nextPendingConnection()) {
            if (handler_ && handler_()) {
                later->write(kTaken);
                later->flush();
            }
            later->disconnectFromServer();
            later->deleteLater();
        }
    });
}

} // namespace zelvaro::qt
