#include "CliStop.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t received = 0;

void onSignal(int number) {
    received = number;
}

} // namespace

namespace CliStop {

void install() {
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a question waiting on the terminal gives up (as a "no") instead of waiting on.
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int signalNumber() {
    return received;
}

} // namespace CliStop
