#pragma once
// Where each cell sits in the task window's preview picture, and how often the
// preview is handed to the host.

#include <chrono>

namespace tx {

struct PreviewLayout {
    int cellWidth = 0;   // PreviewCellWidth
    int cellHeight = 0;  // PreviewCellHeight
    int offsetX = 0;     // PreviewOffsetX
    int offsetY = 0;     // PreviewOffsetY
};

// The host repaints at most ~30 times a second: sending more is wasted copying.
class PreviewThrottle {
public:
    bool due() {
        const auto now = std::chrono::steady_clock::now();
        if (m_sent && now - m_last < std::chrono::milliseconds(33)) return false;
        m_sent = true;
        m_last = now;
        return true;
    }

private:
    bool m_sent = false;
    std::chrono::steady_clock::time_point m_last;
};

}  // namespace tx
