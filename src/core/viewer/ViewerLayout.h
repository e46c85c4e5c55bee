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

// Inside size of the window around a picture area: a 4-pixel margin left and right,
// and below the area the 33-pixel button strip with its margins.
constexpr WindowSize viewerClientSize(int areaWidth, int areaHeight) { return {areaWidth + 8, areaHeight + 42}; }

}  // namespace tx::viewer
