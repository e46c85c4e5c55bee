#pragma once
// CIELAB (D65) from 8-bit sRGB, and the perceptual distance between two colours
// (CIE76: the Euclidean distance in Lab).

#include <cstdint>

namespace tx {

struct Lab {
    float L = 0;
    float a = 0;
    float b = 0;
};

// sRGB (0..255 per channel) to CIELAB with the D65 white point.
Lab labFromSrgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// CIE76 colour difference.
double deltaE76(const Lab& p, const Lab& q);

}  // namespace tx
