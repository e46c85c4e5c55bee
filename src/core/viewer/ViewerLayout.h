#pragma once
// The viewer window's fixed frame: the picture area and the window fitted around it.

namespace tx::viewer {

// The picture area `bildschirm` as designed, before a mode resizes it.
inline constexpr int kAreaLeft = 4;
inline constexpr int kAreaTop = 4;
inline constexpr int kAreaWidth = 400;
inline constexpr int kAreaHeight = 300;

struct WindowSize {
    int width = 0;
    int height = 0;
    bool operator==(const WindowSize&) const = default;
};

// The button strip below the area as designed; a larger font makes it larger.
inline constexpr int kStripWidth = 400;
inline constexpr int kStripHeight = 33;

// Inside size of the window around a picture area: a 4-pixel margin left and right,
// and below the area the button strip with its margins. A strip wider than the
// area widens the window.
constexpr WindowSize viewerClientSize(int areaWidth, int areaHeight, int stripWidth = 0,
                                      int stripHeight = kStripHeight) {
    const int width = areaWidth > stripWidth ? areaWidth : stripWidth;
    return {width + 8, areaHeight + 9 + stripHeight};
}

}  // namespace tx::viewer
