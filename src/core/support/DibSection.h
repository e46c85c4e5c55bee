#pragma once
// cDIBSection: the 24-bit picture buffer with the memory layout the JPEG bridge
// relies on: 3 bytes a pixel in the order blue, green, red; rows bottom-up (the
// first memory row is the bottom row of the picture); every row padded to
// BytesPerScanLine = (width * 3 + 3) & ~3 bytes. There are no platform handles on
// this side: the "drawing context" of a buffer is the buffer itself, and copies to
// and from other surfaces go through tx::Picture.
//
// Error rules: Create reports failure through its result and leaves the buffer
// empty; CreateFromPicture reports nothing (an empty buffer has a null bits
// pointer). The byte view used by the pixel loops checks both indices and throws
// SubscriptOutOfRange instead of touching memory outside the buffer.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

#include "support/Picture.h"

namespace tx {

struct SubscriptOutOfRange : std::out_of_range {
    SubscriptOutOfRange() : std::out_of_range("Subscript out of range") {}
};

// The 40-byte BITMAPINFOHEADER fields the buffer keeps.
struct BitmapInfoHeader {
    std::uint32_t biSize = 40;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 24;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};

// What the GUI shows when CopyToClipboard is asked for a DIB (the core shows no boxes).
inline constexpr const char* kClipboardDibMessage =
    "I don't know how to put a DIB on the clipboard! Copy as bitmap instead!!!";

class cDIBSection {
public:
    cDIBSection() = default;
    ~cDIBSection() { ClearUp(); }
    cDIBSection(const cDIBSection&) = delete;
    cDIBSection& operator=(const cDIBSection&) = delete;

    // Places the picture on the system clipboard as a bitmap (needs a running
    // QGuiApplication, called on its thread). With bAsDIB true it copies nothing and
    // returns false; the caller shows kClipboardDibMessage.
    bool CopyToClipboard(bool bAsDIB = false);
    bool Create(int lWidth, int lHeight);
    void CreateFromPicture(const Picture& picThis);
    // Copies a rectangle of pic into this buffer at (0, 0), 1:1; negative sizes mean
    // this buffer's own size.
    void LoadPictureBlt(const Picture& pic, int lSrcLeft = 0, int lSrcTop = 0, int lSrcWidth = -1,
                        int lSrcHeight = -1, Rop eRop = Rop::Copy);
    // Copies a rectangle of this buffer onto pic, 1:1.
    void PaintPicture(Picture& pic, int lDestLeft = 0, int lDestTop = 0, int lDestWidth = -1,
                      int lDestHeight = -1, int lSrcLeft = 0, int lSrcTop = 0, Rop eRop = Rop::Copy) const;
    void RandomiseBits(bool bGray = false);
    void ClearUp();
    // Bilinear resample into a new buffer (height first, as the class always had it).
    // Throws SubscriptOutOfRange for a source one pixel wide or high resized to
    // another size; returns null when the new buffer cannot be created.
    std::unique_ptr<cDIBSection> Resample(int lNewHeight, int lNewWidth) const;

    int BytesPerScanLine() const { return (m_header.biWidth * 3 + 3) & ~3; }
    int Width() const { return m_header.biWidth; }
    int Height() const { return m_header.biHeight; }
    std::uint8_t* DIBSectionBitsPtr() { return m_bits.empty() ? nullptr : m_bits.data(); }
    const std::uint8_t* DIBSectionBitsPtr() const { return m_bits.empty() ? nullptr : m_bits.data(); }
    const BitmapInfoHeader& header() const { return m_header; }

    // The buffer as a picture (top-down RGB).
    Picture toPicture() const;

private:
    BitmapInfoHeader m_header;
    std::vector<std::uint8_t> m_bits;
};

}  // namespace tx
