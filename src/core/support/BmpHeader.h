#pragma once
// The layout of an uncompressed 24-bit bottom-up BMP file, shared by the whole-picture
// writer and the strip writer so both write the same header.

#include <array>
#include <cstdint>
#include <optional>

namespace tx {

struct BmpLayout {
    std::int64_t rowBytes = 0;  // a row of BGR pixels padded to 4 bytes
    std::array<unsigned char, 54> header{};
};

// Empty when the file would not fit the format's 32-bit size field.
std::optional<BmpLayout> bmpLayout(std::int64_t width, std::int64_t height);

}  // namespace tx
