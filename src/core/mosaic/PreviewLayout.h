#pragma once
// Where each cell sits in the task window's preview picture, and how often the
// preview is handed to the host.

#include <chrono>

#include "support/Picture.h"
#include "task/Task.h"

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

// Hands the engine's preview to the host while the user wants to see it. The
// engine keeps drawing its preview either way, so a preview switched on mid-job
// shows the current state at once, not an empty frame.
class PreviewFeed {
public:
    explicit PreviewFeed(Task& task) : m_task(task) {}
    // `force`: the end of a phase; always sent when wanted.
    void offer(const Picture& preview, bool force = false) {
        if (preview.isEmpty() || !m_task.previewWanted()) {
            m_wasWanted = false;
            return;
        }
        const bool switchedOn = !m_wasWanted;
        m_wasWanted = true;
        if (m_throttle.due() || force || switchedOn) m_task.host().previewChanged(preview);
    }

private:
    Task& m_task;
    bool m_wasWanted = false;
    PreviewThrottle m_throttle;
};

}  // namespace tx
