#pragma once
// The arithmetic of the library colour analysis, as pure functions: the straight
// line fitted to the sorted brightness curve, the score against an ideal library
// that rises evenly from black to white, and the bar graph of both.

#include <QString>
#include <cstdint>
#include <vector>

#include "support/Picture.h"

namespace tx {

// Round to the nearest whole number, a half to the even neighbour.
double roundHalfEven(double v);

struct BrightnessFit {
    double meanX = 0;
    double meanY = 0;
    double sxy = 0;
    double sxx = 0;
    double b = 0;    // slope; stays 0 when sxx is 0 (a single tile)
    double a = 0;    // intercept
    double top = 0;  // the line's value at x = N
    int percent = 0; // the score, reflected above 100
};

// `sums` are the brightness sums (red + green + blue, 0..765) sorted ascending.
// Keeps the program's exact arithmetic: meanY sums v / 100 and scales back,
// a = meanY - (N / 2) b, the score is the whole part of top / 765 x 100.
BrightnessFit fitBrightness(const std::vector<std::int32_t>& sums);

// "87%"
QString scoreText(int percent);

// Colours of the graph: the library in red, the ideal in grey, on white.
constexpr Colour kGraphLibrary = rgb(255, 0, 0);
constexpr Colour kGraphIdeal = rgb(128, 128, 128);
constexpr Colour kGraphBackground = rgb(255, 255, 255);

// Draws the graph one pixel column at a time, so that the caller can report
// progress and stop between columns. Even columns show the library's curve
// (the tile of rank Int(x / width x (N - 1))), odd columns the ideal line at the
// rank of the column before.
class AnalysisGraph {
public:
    AnalysisGraph(const std::vector<std::int32_t>& sortedSums, int width, int height);

    int width() const { return m_picture.width(); }
    // Draws column x (columns are drawn in order 0, 1, 2, ...); returns the rank
    // it used.
    int drawColumn(int x);
    const Picture& picture() const { return m_picture; }

private:
    const std::vector<std::int32_t>& m_sums;
    Picture m_picture;
    int m_rank = 0;
};

// The whole graph at once.
Picture drawAnalysisGraph(const std::vector<std::int32_t>& sortedSums, int width, int height);

}  // namespace tx
