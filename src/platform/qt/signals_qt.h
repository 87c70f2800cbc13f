// SIGTERM, SIGINT and SIGHUP, turned into a call in the event loop: a signal handler may do next
// to nothing, so it writes a byte that the loop reads back.
#pragma once

#include <QSocketNotifier>

#include <functional>
#include <memory>

namespace zelvaro::qt {

class TerminationSignals {
  public:
    // Without a socket the signals keep their default action, and stderr says so.
    TerminationSignals();
    ~TerminationSignals();
    // What a signal does from now on; nothing: it is ignored.
    void onSignal(std::function<void()> handler) { handler_ = std::move(handler); }

  private:
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> handler_;
};

} // namespace zelvaro::qt
