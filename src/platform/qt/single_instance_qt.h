// One Zelvaro per session: the first start on a display holds a lock in the user's runtime folder
// and listens on a local socket beside it; a later start tells it through the socket and ends.
#pragma once

#include <QLocalServer>

#include <functional>
#include <memory>

namespace zelvaro::qt {

class SingleInstance {
  public:
    // Nothing when another Zelvaro runs on this display and has been told: this start then ends.
    // Needs the application object. Whatever goes wrong beyond that is said on stderr, and
    // Zelvaro runs as if it were alone.
    static std::unique_ptr<SingleInstance> claim();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;
    ~SingleInstance();

    // Called for each later start, in the event loop; true when the frame took it (a frame that
    // is closing leaves the later start to become the first).
    void onSecondStart(std::function<bool()> handler) { handler_ = std::move(handler); }

  private:
    SingleInstance() = default;
    void listen(const QString& socketPath);

    // Held open for the whole run: the kernel releases the lock when the process ends, however.
    int lockFile_ = -1;
    QLocalServer server_;
    std::function<bool()> handler_;
};

} // namespace zelvaro::qt
