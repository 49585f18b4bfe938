// An interrupted run (SIGINT, SIGTERM, SIGHUP) removes the temporary files
// it was writing, then ends by the same signal.
#ifndef IMGFORGE_CLI_INTERRUPTS_H
#define IMGFORGE_CLI_INTERRUPTS_H

#include "common/files.h"

namespace imgforge {

// Installs the handlers (a signal the caller ignores stays ignored); the
// guard's end restores what was there before.
class interrupt_cleanup {
  public:
    interrupt_cleanup();
    ~interrupt_cleanup();
    interrupt_cleanup(const interrupt_cleanup &) = delete;
    interrupt_cleanup &operator=(const interrupt_cleanup &) = delete;

    // The registry of temporary files the handlers remove.
    const temp_observer *temps() const;

  private:
    void (*previous[3])(int); // the handlers before, one per signal
};

} // namespace imgforge

#endif
