#include "gui/app/close_on_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>
#include <csignal>

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void forwardSignal(int signal) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    // A full pipe already holds a close request; losing this one changes nothing.
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

bool closeOnSignals(QWidget* window) {
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, window);
    const QPointer<QWidget> target = window;
    QObject::connect(notifier, &QSocketNotifier::activated, window, [target] {
        unsigned char drained[16];
        while (::read(signalPipe[0], drained, sizeof drained) > 0) {
        }
        if (target) target->close();
    });
    struct sigaction forward {};
    forward.sa_handler = forwardSignal;
    sigemptyset(&forward.sa_mask);
    forward.sa_flags = SA_RESTART;
    for (const int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(s, &forward, nullptr);
    return true;
}
