#include "library/LibraryAnalysis.h"

#include <algorithm>
#include <cmath>

namespace tx {

double roundHalfEven(double v) {
    const double lower = std::floor(v);
    const double frac = v - lower;
    if (frac > 0.5) return lower + 1;
    if (frac < 0.5) return lower;
    return std::fmod(lower, 2.0) == 0 ? lower : lower + 1;
}

BrightnessFit fitBrightness(const std::vector<std::int32_t>& sums) {
    BrightnessFit f;
    const auto count = static_cast<std::int64_t>(sums.size());
    if (count <= 0) return f;
    const double n = static_cast<double>(count);

    double sumX = 0;
    double sumY = 0;
    for (std::int64_t i = 0; i < count; ++i) {
        sumX += static_cast<double>(i);
        sumY += sums[static_cast<std::size_t>(i)] / 100.0;
    }
    f.meanX = sumX / n;
    f.meanY = sumY / n * 100.0;

    double sxy = 0;
    double sxx = 0;
    for (std::int64_t i = 0; i < count; ++i) {
        const double dx = static_cast<double>(i) - f.meanX;
        sxy += (sums[static_cast<std::size_t>(i)] - f.meanY) * dx;
        sxx += dx * dx;
    }
    f.sxy = sxy / n;
    f.sxx = sxx / n;
    if (f.sxx != 0) f.b = f.sxy / f.sxx;
    f.a = f.meanY - (n / 2.0) * f.b;
    f.top = f.b * n + f.a;

    // The score is a 16-bit percentage; the fitted line of sorted sums never leaves
    // a few hundred percent, the clamp only guards absurd input.
    double p = std::floor(f.top / 765.0 * 100.0);
    p = std::clamp(p, -32768.0, 32767.0);
    int percent = static_cast<int>(p);
    if (percent > 100) percent = 100 - (percent - 100);
    f.percent = percent;
    return f;
}

QString scoreText(int percent) { return QString::number(percent) + QLatin1Char('%'); }

AnalysisGraph::AnalysisGraph(const std::vector<std::int32_t>& sortedSums, int width, int height)
    : m_sums(sortedSums),
      m_picture(std::max(0, width), std::max(0, height), kGraphBackground) {}

int AnalysisGraph::drawColumn(int x) {
    const int w = m_picture.width();
    const int h = m_picture.height();
    const auto n = static_cast<std::int64_t>(m_sums.size());
    if (w <= 0 || h <= 0 || n <= 0 || x < 0 || x >= w) return m_rank;
    const double last = static_cast<double>(n - 1);
    if (x % 2 == 0) {
        const double sy = h / 765.0;
        const double rank = std::floor(static_cast<double>(x) / w * last);
        m_rank = static_cast<int>(std::clamp(rank, 0.0, last));
        const double v = m_sums[static_cast<std::size_t>(m_rank)];
        const int y = static_cast<int>(roundHalfEven(h - v * sy));
        m_picture.drawLine(x, h, x, y, kGraphLibrary);
    } else {
        // With a single tile the ideal line has no slope to draw: its bars keep the
        // start height 0 and reach the top.
        int y = 0;
        if (n > 1) y = static_cast<int>(roundHalfEven((last - m_rank) / last * h));
        m_picture.drawLine(x, h, x, y, kGraphIdeal);
    }
    return m_rank;
}

Picture drawAnalysisGraph(const std::vector<std::int32_t>& sortedSums, int width, int height) {
    AnalysisGraph graph(sortedSums, width, height);
    for (int x = 0; x < graph.width(); ++x) graph.drawColumn(x);
    return graph.picture();
}

}  // namespace tx
