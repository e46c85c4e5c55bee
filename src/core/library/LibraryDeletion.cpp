#include "library/LibraryDeletion.h"

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>

#include "library/TileLibrary.h"
#include "support/FileHelpers.h"

namespace tx {

namespace {

// Entries named in the question; the rest are counted.
constexpr int kNamedOthers = 10;

QString plural(int n, const char* one, const char* many) {
    return QString::number(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
}

}  // namespace

LibraryContents libraryContents(const QString& folder) {
    static const QRegularExpression database(QStringLiteral("^[1-9][0-9]*x[1-9][0-9]*\\.txt(\\.build)?$"));
    LibraryContents c;
    const QDir dir(folder);
    const auto all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    for (const QFileInfo& e : dir.entryInfoList(all, QDir::Name | QDir::IgnoreCase)) {
        const QString name = e.fileName();
        if (e.isDir() && !e.isSymLink()) {
            c.others << name + QLatin1Char('/');
            QDirIterator inside(e.filePath(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
            while (inside.hasNext()) {
                inside.next();
                ++c.files;
            }
            continue;
        }
        ++c.files;
        if (!e.isDir() && (IsBmpFile(name) || IsJpgFile(name)))
            ++c.tiles;
        else if (!e.isDir() && database.match(name).hasMatch())
            ++c.databases;
        else
            c.others << name + (e.isDir() ? QStringLiteral("/") : QString());
    }
    return c;
}

QString deleteLibraryQuestion(const QString& name, const LibraryContents& c, Disposal how) {
    QString q = QStringLiteral("Do you really want to delete the library '") + name + QStringLiteral("'?");
    q += QStringLiteral("\r\n\r\nIt holds ") + plural(c.files, "file", "files") + QStringLiteral(" (") +
         plural(c.tiles, "tile", "tiles") + QStringLiteral(", ") +
         plural(c.databases, "color database file", "color database files");
    if (!c.others.isEmpty()) q += QStringLiteral(", ") + plural(static_cast<int>(c.others.size()), "other entry", "other entries");
    q += QStringLiteral("), ");
    q += how == Disposal::Trash ? QStringLiteral("which go to the trash.") : QStringLiteral("which are deleted for good.");
    if (!c.others.isEmpty()) {
        q += QStringLiteral("\r\n\r\nThese are not tiles or color databases and go with it:");
        for (int i = 0; i < c.others.size() && i < kNamedOthers; ++i) q += QStringLiteral("\r\n    ") + c.others[i];
        if (c.others.size() > kNamedOthers)
            q += QStringLiteral("\r\n    ... and %1 more").arg(c.others.size() - kNamedOthers);
    }
    return q;
}

}  // namespace tx
