#include "JobSettings.h"

#include <algorithm>

#include "support/Registry.h"

namespace tx::cli {

int jpegQualitySetting() { return std::clamp(readSettingInt(QStringLiteral("JPGQuality"), 90), 0, 100); }

std::optional<MachineLimits> fixedLimitsSetting() {
    if (machineCheckEnabled()) return std::nullopt;
    return storedMachineLimits();
}

}  // namespace tx::cli
