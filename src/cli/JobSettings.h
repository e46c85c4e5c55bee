#pragma once
// The settings a job takes from the store, filled in by the command that starts it.

#include <optional>

#include "mosaic/MachineLimits.h"

namespace tx::cli {

int jpegQualitySetting();
std::optional<MachineLimits> fixedLimitsSetting();

}  // namespace tx::cli
