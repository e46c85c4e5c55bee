#pragma once
// The one 24-bit picture type for all pixel work.
//
// Memory: top-down rows of packed R, G, B bytes, no row padding (scanLine(y)
// points at 3 * width bytes). A colour value is 0x00BBGGRR, red in the low byte,
// as the engines read it.
//
// Error rules: a Picture is either empty (0 x 0) or fully allocated. Creating one
// larger than kMaxPixels throws PictureTooLarge before any allocation; all other
// operations clip to the picture and never read or write outside it.

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace tx {

using Colour = std::uint32_t;  // 0x00BBGGRR

constexpr Colour rgb(int r, int g, int b) {
    return static_cast<Colour>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int redOf(Colour c) { return static_cast<int>(c & 0xFF); }
constexpr int greenOf(Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int blueOf(Colour c) { return static_cast<int>((c >> 16) & 0xFF); }

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
};

struct PictureTooLarge : std::runtime_error {
    PictureTooLarge() : std::runtime_error("picture too large") {}
};

class Picture {
public:
    // 400 megapixels: far above any mosaic page the limits allow (32000 x 32000 is
    // refused by the page check long before), far below what would exhaust memory.
    static constexpr std::int64_t kMaxPixels = 400'000'000;

    Picture() = default;
    Picture(int width, int height, Colour fill = 0);

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool isEmpty() const { return m_width <= 0 || m_height <= 0; }

    std::uint8_t* scanLine(int y) { return m_data.data() + static_cast<std::size_t>(y) * stride(); }
    const std::uint8_t* scanLine(int y) const { return m_data.data() + static_cast<std::size_t>(y) * stride(); }
    std::uint8_t* bits() { return m_data.data(); }
    const std::uint8_t* bits() const { return m_data.data(); }
    std::size_t stride() const { return static_cast<std::size_t>(m_width) * 3; }
    std::size_t byteCount() const { return m_data.size(); }

    // Outside the picture: 0 (black); writes outside are ignored.
    Colour pixel(int x, int y) const;
    void setPixel(int x, int y, Colour c);

    // Like a picture box changing size: content keeps its place at the top left,
    // new area is filled with `background`.
    void resize(int width, int height, Colour background = 0);
    void fill(Colour c);
    void fillRect(Rect r, Colour c);
    // Line from (x0, y0) towards (x1, y1); the end point itself is not drawn.
    void drawLine(int x0, int y0, int x1, int y1, Colour c);
    void clear() { *this = Picture(); }

    bool operator==(const Picture& o) const {
        return m_width == o.m_width && m_height == o.m_height && m_data == o.m_data;
    }

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint8_t> m_data;
};

// Raster operations of a block copy.
enum class Rop { Copy, Xor, And };

// The rectangles of a block transfer after clipping to both pictures: w x h pixels
// from (sx, sy) of the source to (dx, dy) of the destination. Empty when nothing is
// left. A negative w or h means "the whole source".
struct ClippedBlock {
    int dx = 0, dy = 0, sx = 0, sy = 0, w = 0, h = 0;
    bool isEmpty() const { return w <= 0 || h <= 0; }
};
ClippedBlock clipBlock(const Picture& dst, int dx, int dy, const Picture& src, int sx, int sy, int w, int h);

// Copies the w x h block at (sx, sy) of src to (dx, dy) of dst, combined by rop;
// clipped to both pictures. A negative w or h means "the whole source".
void blit(Picture& dst, int dx, int dy, const Picture& src, int sx = 0, int sy = 0, int w = -1, int h = -1,
          Rop rop = Rop::Copy);

// Plain stretch: nearest neighbour, no averaging (pixel repetition when growing).
Picture stretchPlain(const Picture& src, int width, int height);
Picture stretchPlain(const Picture& src, Rect from, int width, int height);

// Half-tone stretch: area averaging when shrinking, bilinear when growing (per axis).
// The rect variant reads only the part of `from` inside the source (the plain one
// keeps the rect's geometry and reads black outside). Same size gives an exact copy.
Picture stretchHalftone(const Picture& src, int width, int height);
Picture stretchHalftone(const Picture& src, Rect from, int width, int height);

}  // namespace tx
