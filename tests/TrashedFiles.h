#pragma once
// What the tests moved to their own trash (XDG_DATA_HOME, set by every test
// program): the original paths recorded in the trash's info files.

#include <QDir>
#include <QStringList>
#include <QUrl>

namespace txtest {

inline QStringList trashedPaths() {
    QStringList paths;
    const QDir info(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Trash/info"));
    for (const QString& f : info.entryList({QStringLiteral("*.trashinfo")}, QDir::Files)) {
        QFile file(info.filePath(f));
        if (!file.open(QIODevice::ReadOnly)) continue;
        for (const QByteArray& line : file.readAll().split('\n'))
            if (line.startsWith("Path=")) paths << QUrl::fromPercentEncoding(line.mid(5));
    }
    return paths;
}

// How many of them lay in `folder` (given with its trailing "/").
inline int trashedFrom(const QString& folder) {
    int n = 0;
    const QString canonical = QDir(folder).canonicalPath() + QLatin1Char('/');
    for (const QString& p : trashedPaths())
        if (p.startsWith(folder) || p.startsWith(canonical)) ++n;
    return n;
}

}  // namespace txtest
