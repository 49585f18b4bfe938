#include "cli/interrupts.h"

#include <csignal>
#include <cstring>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace imgforge {

namespace {

// The temporary files that exist now. A handler may run between any two
// instructions, so a slot's path is complete before it is marked used.
// This registry is the tool's one piece of mutable global state: a signal
// handler has no other way to reach it.
struct temp_slot {
    volatile std::sig_atomic_t used;
    char path[4096];
};
temp_slot temp_slots[8];

void temp_created(const char *path)
{
    size_t n = std::strlen(path);
    for (temp_slot &slot : temp_slots)
        if (!slot.used && n < sizeof slot.path) {
            std::memcpy(slot.path, path, n + 1);
            slot.used = 1;
            return;
        }
}

void temp_gone(const char *path)
{
    for (temp_slot &slot : temp_slots)
        if (slot.used && std::strcmp(slot.path, path) == 0) {
            slot.used = 0;
            return;
        }
}

constexpr temp_observer registry{temp_created, temp_gone};

#ifdef SIGHUP
constexpr int signals[] = {SIGINT, SIGTERM, SIGHUP};
#else
constexpr int signals[] = {SIGINT, SIGTERM, SIGINT};
#endif

extern "C" void on_interrupt(int sig)
{
    for (temp_slot &slot : temp_slots)
        if (slot.used) {
#ifdef _WIN32
            std::remove(slot.path);
#else
            unlink(slot.path);
#endif
        }
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

} // namespace

interrupt_cleanup::interrupt_cleanup()
{
    for (temp_slot &slot : temp_slots)
        slot.used = 0;
    for (size_t i = 0; i < 3; i++) {
        previous[i] = std::signal(signals[i], on_interrupt);
        if (previous[i] == SIG_IGN)
            std::signal(signals[i], SIG_IGN);
    }
}

interrupt_cleanup::~interrupt_cleanup()
{
    for (size_t i = 3; i-- > 0;)
        if (previous[i] != SIG_ERR)
            std::signal(signals[i], previous[i]);
}

const temp_observer *interrupt_cleanup::temps() const
{
    return &registry;
}

} // namespace imgforge
