#include "platform/Signals.h"

#include <csignal>

void restoreTerminationSignals() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}
