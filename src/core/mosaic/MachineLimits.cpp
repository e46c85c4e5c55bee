#include "mosaic/MachineLimits.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "support/Picture.h"
#include "support/Registry.h"

namespace tx {

namespace {
constexpr std::int64_t kStep = 1000;
constexpr std::int64_t kMostPixels = 32000;

std::uint64_t physicalMemory() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}
}  // namespace

MachineLimits limitsForMemory(std::uint64_t physicalBytes) {
    const double pixels = static_cast<double>(physicalBytes) / 4.0 / 3.0;
    std::int64_t side = static_cast<std::int64_t>(std::sqrt(pixels));
    // A page must also be a Picture the program can create.
    side = std::min<std::int64_t>(side, static_cast<std::int64_t>(std::sqrt(double(Picture::kMaxPixels))));
    side = std::clamp<std::int64_t>(side / kStep * kStep, kStep, kMostPixels);
    return {static_cast<int>(side), static_cast<int>(side)};
}

MachineLimits TestMachine() {
    const std::uint64_t bytes = physicalMemory();
    // Unknown memory: the settings' defaults are the safe answer.
    if (bytes == 0) return {};
    return limitsForMemory(bytes);
}

bool machineCheckEnabled() { return readSettingInt(QStringLiteral("Check"), 1) != 0; }

MachineLimits storedMachineLimits() {
    MachineLimits l;
    l.maxWidth = std::clamp(readSettingInt(QStringLiteral("MaxWidth"), 5000), 0, 32767);
    l.maxHeight = std::clamp(readSettingInt(QStringLiteral("MaxHeight"), 5000), 0, 32767);
    return l;
}

}  // namespace tx
