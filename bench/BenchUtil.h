#pragma once
// Small helpers shared by the bench programs.

#include <sys/resource.h>

#include <chrono>

namespace txbench {

// Peak resident memory of the process so far, in MB (ru_maxrss is in KB on Linux).
inline double peakMegabytes() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

// Seconds on a monotonic clock.
inline double now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace txbench
