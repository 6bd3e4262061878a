#include "signals.h"

#include <signal.h>

#include <atomic>
#include <initializer_list>

// The handler may run on any thread, the photograph workers' included, at any
// moment: it does nothing but store the number in a lock-free atomic, which is
// async-signal-safe. Workers check it before taking the next photograph, and
// the main thread, once they have stopped, removes the work directory (with
// the allocator, stdio and the file system calls a handler must not use) and
// ends the program. A second signal of the same kind ends it at once.
static std::atomic<int> caught{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler needs a lock-free flag");

static void record_signal(int number)
{
    caught.store(number);
}

void catch_signals()
{
    struct sigaction action = {};
    action.sa_handler = record_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int number : {SIGINT, SIGTERM, SIGHUP})
        sigaction(number, &action, nullptr);
}

int interrupted()
{
    return caught.load();
}
