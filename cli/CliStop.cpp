#include "CliStop.h"

#include <atomic>
#include <csignal>

namespace {

// Lock-free, so the handler may set it, and atomic, so the workers of a batch may read it.
std::atomic<int> received{0};
static_assert(std::atomic<int>::is_always_lock_free);

void onSignal(int number) {
    received.store(number, std::memory_order_relaxed);
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
    return received.load(std::memory_order_relaxed);
}

} // namespace CliStop
