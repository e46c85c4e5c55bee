#include "task/EngineRun.h"

#include <new>
#include <stdexcept>

#include "support/Picture.h"

namespace tx {

QString notEnoughMemoryText() { return QStringLiteral("There is not enough memory for this job."); }

namespace {

// Shows the message if the host still can; the result records it either way.
void stopQuietly(Task& task, const QString& text) {
    try {
        task.stop(MessageIcon::Critical, text);
    } catch (...) {
    }
}

}  // namespace

JobResult runEngine(Task& task, const std::function<void()>& body, const QString& outOfMemoryText) {
    const QString memoryText = outOfMemoryText.isEmpty() ? notEnoughMemoryText() : outOfMemoryText;
    try {
        body();
    } catch (const PictureTooLarge&) {
        stopQuietly(task, memoryText);
    } catch (const std::bad_alloc&) {
        stopQuietly(task, memoryText);
    } catch (const std::exception& e) {
        stopQuietly(task, QStringLiteral("The job stopped because of an unexpected error: %1")
                              .arg(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        stopQuietly(task, QStringLiteral("The job stopped because of an unexpected error."));
    }
    return task.result();
}

}  // namespace tx
