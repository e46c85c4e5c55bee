#include "mosaic/MachineLimitsEntry.h"

#include "support/NumberText.h"

namespace tx {

std::optional<MachineLimits> typedMachineLimits(const QString& width, const QString& height) {
    const std::optional<int> w = asInteger(width);
    const std::optional<int> h = asInteger(height);
    if (!w || !h || *w < 1 || *h < 1) return std::nullopt;
    return MachineLimits{*w, *h};
}

}  // namespace tx
