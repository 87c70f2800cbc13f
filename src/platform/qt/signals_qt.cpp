#include "platform/qt/signals_qt.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

#include <utility>

namespace zelvaro::qt {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
// The one thing a handler can reach: the socket's writing end.
int writeEnd = -1;

void writeByte(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(writeEnd, &byte, 1);
}

} // namespace

TerminationSignals::TerminationSignals() {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        std::fprintf(stderr,
                     "zelvaro: signaux non gérés (%s) ; un signal arrêtera Zelvaro sans "
                     "enregistrer les marges\n",
                     std::strerror(errno));
        return;
    }
    writeEnd = ends[0];
    notifier_ = std::make_unique<QSocketNotifier>(ends[1], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this](QSocketDescriptor fd) {
        char byte;
        [[maybe_unused]] const auto read = ::read(fd, &byte, 1);
        if (handler_) handler_();
    });
    struct sigaction action {};
    action.sa_handler = writeByte;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals)
        sigaction(signal, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_) return;
    // Back to the default action before the socket goes.
    for (int signal : kSignals)
        std::signal(signal, SIG_DFL);
    ::close(static_cast<int>(notifier_->socket()));
    ::close(std::exchange(writeEnd, -1));
}

} // namespace zelvaro::qt
