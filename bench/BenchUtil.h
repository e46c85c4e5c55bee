#pragma once
// Small helpers shared by the bench programs.

#include <sys/resource.h>

#include <QByteArray>
#include <QString>

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

// For the window benches, before the application object exists: Qt's offscreen
// platform unless another is asked for, and a settings file of the bench's own.
inline void prepareWindowBench(const QString& privateFolder) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TESSELIX_SETTINGS", (privateFolder + "/settings.ini").toUtf8());
}

}  // namespace txbench
