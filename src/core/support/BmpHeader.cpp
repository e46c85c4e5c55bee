#include "support/BmpHeader.h"

namespace tx {

std::optional<BmpLayout> bmpLayout(std::int64_t width, std::int64_t height) {
    BmpLayout layout;
    layout.rowBytes = (width * 3 + 3) & ~std::int64_t{3};
    const std::int64_t imageBytes = layout.rowBytes * height;
    const std::int64_t fileBytes = 54 + imageBytes;
    if (fileBytes > 0xFFFFFFFFLL) return std::nullopt;

    auto& header = layout.header;
    auto put16 = [&](int at, std::uint32_t v) {
        header[at] = static_cast<unsigned char>(v);
        header[at + 1] = static_cast<unsigned char>(v >> 8);
    };
    auto put32 = [&](int at, std::uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    header[0] = 'B';
    header[1] = 'M';
    put32(2, static_cast<std::uint32_t>(fileBytes));
    put32(10, 54);  // pixel data offset
    put32(14, 40);  // BITMAPINFOHEADER
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));  // positive: rows bottom-up
    put16(26, 1);
    put16(28, 24);
    put32(34, static_cast<std::uint32_t>(imageBytes));
    return layout;
}

}  // namespace tx
