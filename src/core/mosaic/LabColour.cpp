#include "mosaic/LabColour.h"

#include <array>
#include <cmath>

namespace tx {

namespace {

// The sRGB transfer curve undone, for every byte.
const std::array<double, 256>& linearTable() {
    static const std::array<double, 256> table = [] {
        std::array<double, 256> t{};
        for (int v = 0; v < 256; ++v) {
            const double c = v / 255.0;
            t[static_cast<std::size_t>(v)] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
        return t;
    }();
    return table;
}

double labCurve(double t) {
    constexpr double d = 6.0 / 29.0;
    return t > d * d * d ? std::cbrt(t) : t / (3 * d * d) + 4.0 / 29.0;
}

}  // namespace

Lab labFromSrgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    const auto& lin = linearTable();
    const double r = lin[red], g = lin[green], b = lin[blue];
    // Linear sRGB to XYZ, divided by the D65 white (0.95047, 1, 1.08883).
    const double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047;
    const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
    const double z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883;
    const double fx = labCurve(x), fy = labCurve(y), fz = labCurve(z);
    return Lab{static_cast<float>(116 * fy - 16), static_cast<float>(500 * (fx - fy)), static_cast<float>(200 * (fy - fz))};
}

double deltaE76(const Lab& p, const Lab& q) {
    const double dl = double(p.L) - q.L, da = double(p.a) - q.a, db = double(p.b) - q.b;
    return std::sqrt(dl * dl + da * da + db * db);
}

}  // namespace tx
