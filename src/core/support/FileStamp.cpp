#include "support/FileStamp.h"

#include <QFileInfo>

namespace tx {

FileStamp fileStamp(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return {};
    return {info.lastModified(), info.size()};
}

}  // namespace tx
