#pragma once
// A picture written strip by strip, top to bottom, so that no whole page is ever
// held in memory. Every writer replaces its target atomically: nothing is visible
// under the target's name until finish() succeeds, and cancel() (or destroying an
// unfinished writer) leaves nothing behind.
//
// Error rules: every call returns false on failure and error() then holds a short
// English reason; after a failure only cancel() is meaningful.

#include <QString>

#include "support/Picture.h"

namespace tx {

class StripWriter {
public:
    virtual ~StripWriter() = default;

    // Opens the target for a picture of width x height pixels.
    virtual bool begin(int width, int height) = 0;
    // The next rows of the picture: strip.width() equals the width, the strips'
    // heights add up to the height.
    virtual bool write(const Picture& strip) = 0;
    // After the last strip.
    virtual bool finish() = 0;
    virtual void cancel() = 0;

    const QString& error() const { return m_error; }

protected:
    bool fail(const QString& reason) {
        if (m_error.isEmpty()) m_error = reason;
        return false;
    }
    QString m_error;
};

}  // namespace tx
