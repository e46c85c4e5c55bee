#pragma once
// The machine limits as typed into the preferences window.

#include <QString>
#include <optional>

#include "mosaic/MachineLimits.h"

namespace tx {

// Both texts read as 16-bit whole numbers (rounded half to even) of at least 1;
// nothing when either is empty, not a number, below 1 or above 32767.
std::optional<MachineLimits> typedMachineLimits(const QString& width, const QString& height);

}  // namespace tx
