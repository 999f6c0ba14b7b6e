#include "Platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> handledSignals = {SIGTERM, SIGHUP, SIGINT};
// [0] is written by the handler, [1] read by the event loop.
std::array<int, 2> wakeFds = {-1, -1};

extern "C" void writeSignalNumber(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe means an earlier signal is still unread: that one ends Tavo anyway.
    [[maybe_unused]] const ssize_t written = ::write(wakeFds[0], &byte, 1);
    errno = savedErrno;
}

void setHandler(int signalNumber, void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signalNumber, &action, nullptr);
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, wakeFds.data()) != 0) {
        return;
    }
    notifier = new QSocketNotifier(wakeFds[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPending);
    for (int signalNumber : handledSignals) {
        setHandler(signalNumber, writeSignalNumber);
    }
}

TerminationSignals::~TerminationSignals() {
    if (!notifier) {
        return;
    }
    for (int signalNumber : handledSignals) {
        setHandler(signalNumber, SIG_DFL);
    }
    delete notifier;
    for (int& fd : wakeFds) {
        ::close(fd);
        fd = -1;
    }
}

void TerminationSignals::readPending() {
    unsigned char byte = 0;
    while (::read(wakeFds[1], &byte, 1) == 1) {
        Q_EMIT received(byte);
    }
}
