#pragma once
// What tells a changed file from the one read before: its modification time and
// size. Cheap to take (one stat), so a cache can check it whenever it shows a file.

#include <QDateTime>
#include <QString>

namespace tx {

struct FileStamp {
    QDateTime modified;  // invalid when the file is missing
    qint64 size = -1;
    bool operator==(const FileStamp&) const = default;
};

FileStamp fileStamp(const QString& path);

}  // namespace tx
