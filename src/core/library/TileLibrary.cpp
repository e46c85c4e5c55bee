#include "library/TileLibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

#include "support/AppPaths.h"
#include "support/FileHelpers.h"
#include "support/PictureFile.h"

namespace tx {

namespace {
// Name order without regard to case; names equal but for case keep a fixed order.
bool lessIgnoringCase(const QString& a, const QString& b) {
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}
}  // namespace

QStringList libraryList() {
    QStringList names = QDir(tilesRoot()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(names.begin(), names.end(), lessIgnoringCase);
    return names;
}

QString libraryFolder(const QString& name) { return tilesRoot() + name + QLatin1Char('/'); }

QStringList tileList(const QString& folder) {
    QStringList tiles;
    if (folder.isEmpty()) return tiles;
    const QStringList files = QDir(folder).entryList(QDir::Files);
    for (const QString& f : files)
        if (IsBmpFile(f) || IsJpgFile(f)) tiles << f;
    std::sort(tiles.begin(), tiles.end(), lessIgnoringCase);
    return tiles;
}

std::optional<QSize> libraryTileSize(const QString& folder, const QStringList& tiles) {
    for (const QString& t : tiles) {
        Picture tile;
        if (loadPicture(AddBackslash(folder) + t, tile) && !tile.isEmpty()) return QSize(tile.width(), tile.height());
    }
    return std::nullopt;
}

LibraryInfo libraryInfo(const QString& folder) {
    LibraryInfo info;
    const QStringList tiles = tileList(folder);
    info.tileCount = static_cast<int>(tiles.size());
    if (tiles.isEmpty()) return info;
    if (const auto size = libraryTileSize(folder, tiles)) {
        info.tileWidth = size->width();
        info.tileHeight = size->height();
    }
    info.format = IsBmpFile(tiles.first()) ? QStringLiteral("bmp") : QStringLiteral("jpg");
    for (const QString& t : tiles) {
        if ((info.format == QLatin1String("jpg") && !IsJpgFile(t)) ||
            (info.format == QLatin1String("bmp") && !IsBmpFile(t))) {
            info.format = QStringLiteral("mixed");
            break;
        }
    }
    return info;
}

QString databasePath(const QString& folder, int matrX, int matrY) {
    return AddBackslash(folder) + QString::number(matrX) + QLatin1Char('x') + QString::number(matrY) +
           QStringLiteral(".txt");
}

QStringList databaseFiles(const QString& folder) {
    static const QRegularExpression pattern(QStringLiteral("^[1-9][0-9]*x[1-9][0-9]*\\.txt$"));
    QStringList out;
    const QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
    for (const QString& f : files)
        if (pattern.match(f).hasMatch()) out << f;
    return out;
}

void deleteColourDatabases(const QString& folder) {
    static const QRegularExpression pattern(QStringLiteral("^[1-9][0-9]*x[1-9][0-9]*\\.txt(\\.build)?$"));
    for (const QString& f : QDir(folder).entryList(QDir::Files | QDir::System))
        if (pattern.match(f).hasMatch()) QFile::remove(AddBackslash(folder) + f);
}

}  // namespace tx
