#include "library/ColourDatabase.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <optional>

#include "library/TileLibrary.h"
#include "support/Effects.h"
#include "support/FileHelpers.h"
#include "support/Parallel.h"
#include "support/PictureFile.h"

namespace tx {

void measureTile(const Picture& tile, int matrX, int matrY, bool grey, bool filter, std::uint8_t* out) {
    const std::size_t cells = static_cast<std::size_t>(matrX) * matrY;
    if (tile.isEmpty()) {
        std::fill(out, out + cells * 3, std::uint8_t{0});
        return;
    }
    const Picture* current = &tile;
    Picture work;
    if (grey) {
        work = tile;
        FoxHSL(work, 0.0f);
        current = &work;
    }
    if (filter) {
        work = stretchHalftone(*current, 4 * matrX, 4 * matrY);
        current = &work;
    }
    Picture twice = stretchHalftone(*current, 2 * matrX, 2 * matrY);
    FoxBlur(twice);
    const Picture once = stretchPlain(twice, matrX, matrY);
    for (int y = 0; y < matrY; ++y) {
        for (int x = 0; x < matrX; ++x) {
            const Colour c = once.pixel(x, y);
            std::uint8_t* o = out + (static_cast<std::size_t>(y) * matrX + x) * 3;
            o[0] = static_cast<std::uint8_t>(redOf(c));
            o[1] = static_cast<std::uint8_t>(greenOf(c));
            o[2] = static_cast<std::uint8_t>(blueOf(c));
        }
    }
}

namespace {

// Appends the decimal text of v (0..255).
inline void appendByte(QByteArray& out, std::uint8_t v) {
    char buf[3];
    int n = 0;
    if (v >= 100) buf[n++] = static_cast<char>('0' + v / 100);
    if (v >= 10) buf[n++] = static_cast<char>('0' + v / 10 % 10);
    buf[n++] = static_cast<char>('0' + v % 10);
    out.append(buf, n);
}

void appendTile(QByteArray& out, const TileColourTable& table, int t) {
    const std::uint8_t* v = table.tile(t);
    const std::size_t cells = static_cast<std::size_t>(table.matrX) * table.matrY;
    for (std::size_t k = 0; k < cells; ++k, v += 3) {
        appendByte(out, v[0]);
        out.append('\r');
        appendByte(out, v[1]);
        out.append('\r');
        appendByte(out, v[2]);
        out.append("\r\n", 2);
    }
}

QByteArray header(int count) { return QByteArray::number(count) + "\r\n"; }

// Whole number of at most maxDigits digits, no sign; -1 otherwise.
inline long long parseWhole(const char* b, const char* e, int maxDigits) {
    if (b == e || e - b > maxDigits) return -1;
    long long v = 0;
    for (const char* p = b; p < e; ++p) {
        if (*p < '0' || *p > '9') return -1;
        v = v * 10 + (*p - '0');
    }
    return v;
}

// ---- the entry on disk

// Removes what stands at path when it is not a regular file or a folder (a link, a
// pipe, a device), so that a new file replaces the entry instead of writing through it.
void clearSpecialEntry(const QString& path) {
    const QFileInfo info(path);
    if (info.isSymLink() || (info.exists() && !info.isFile() && !info.isDir())) QFile::remove(path);
}

bool isRegularFile(const QString& path) {
    const QFileInfo info(path);
    return !info.isSymLink() && info.isFile();
}

// The count of a database's first line, read from its first bytes; -1 when damaged.
long long peekCount(QFile& file) {
    char head[16];
    const qint64 got = file.read(head, sizeof head);
    for (qint64 k = 0; k < got; ++k)
        if (head[k] == '\r' || head[k] == '\n') return parseWhole(head, head + k, 9);
    return -1;
}

// The bytes of the database at path; false (nothing read) when it is not a regular
// file or is larger than a valid database for its count can be.
bool readDatabaseFile(const QString& path, int mx, int my, QByteArray& out) {
    out.clear();
    if (!isRegularFile(path)) return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.isSequential()) return false;
    const qint64 size = file.size();
    const long long count = peekCount(file);
    if (count < 0 || count > kMaxDatabaseTiles || size > maxColourDatabaseSize(count, mx, my)) return false;
    if (!file.seek(0)) return false;
    try {
        out = file.readAll();
    } catch (const std::bad_alloc&) {
        out.clear();
        return false;
    }
    return out.size() == size;
}

// ---- the build record beside the database

struct BuildRecord {
    bool greyscale = false;
    bool filter = true;
};

QString recordPath(const QString& path) { return path + QStringLiteral(".build"); }

QByteArray digest(const QByteArray& database) {
    return QCryptographicHash::hash(database, QCryptographicHash::Sha1).toHex();
}

QByteArray formatRecord(const BuildRecord& r, const QByteArray& database) {
    return QByteArray("grey=") + (r.greyscale ? "1" : "0") + "\nfilter=" + (r.filter ? "1" : "0") +
           "\nsha1=" + digest(database) + "\n";
}

// How the database was built, when its record is readable and describes exactly
// these bytes; nothing otherwise (the database is then taken as it is).
std::optional<BuildRecord> readRecord(const QString& path, const QByteArray& database) {
    const QString file = recordPath(path);
    if (!isRegularFile(file) || QFileInfo(file).size() > 256) return std::nullopt;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly) || f.isSequential()) return std::nullopt;
    const QList<QByteArray> lines = f.read(256).split('\n');
    std::optional<bool> grey, filter;
    bool matches = false;
    for (const QByteArray& line : lines) {
        const QByteArray l = line.trimmed();
        if (l == "grey=0" || l == "grey=1") grey = l.endsWith('1');
        else if (l == "filter=0" || l == "filter=1") filter = l.endsWith('1');
        else if (l.startsWith("sha1=")) matches = l.mid(5) == digest(database);
    }
    if (!grey || !filter || !matches) return std::nullopt;
    return BuildRecord{*grey, *filter};
}

void removeDatabase(const QString& path) {
    QFile::remove(path);
    QFile::remove(recordPath(path));
}

QString creatingStatus(int k, int n) {
    return QStringLiteral("Creating color database (") + QString::number(k) + QLatin1Char('/') +
           QString::number(n) + QStringLiteral(")...");
}

// Measures tiles 1..N, writes the file; false when cancelled (no file is left then).
bool buildColourDatabase(Task& task, const ColourDatabaseRequest& request, const QString& path,
                         TileColourTable& table) {
    const int n = table.tiles;
    const auto cancelled = [&] {
        // A cancelled build leaves no database, not even an older one.
        removeDatabase(path);
        return false;
    };
    task.clearTimeText();
    task.setValue(0);
    if (!task.running()) return cancelled();
    task.setMaximum(n);

    const int mx = table.matrX;
    const int my = table.matrY;
    const QString folder = AddBackslash(request.libraryFolder);

    QByteArray data = header(n);
    data.reserve(data.size() + static_cast<qsizetype>(n) * mx * my * 13);

    // Tiles are measured in parallel a batch at a time; reports follow in tile order
    // from this thread, so the counter only goes up and the file is the sequential one.
    const int batch = std::max(16, 16 * workerCount());
    for (int first = 1; first <= n; first += batch) {
        const int last = std::min(n, first + batch - 1);
        parallelFor(last - first + 1, 1, [&](std::int64_t b, std::int64_t e) {
            for (std::int64_t i = b; i < e; ++i) {
                if (!task.running()) return;
                const int t = first + static_cast<int>(i);
                std::uint8_t* out = table.cell(t, 0, 0);
                try {
                    Picture picture;
                    if (t - 1 < request.tiles.size())
                        // Always the full decode: a JPEG decoder's reduced sizes are rounded
                        // differently and rescaled, which moves the cell values.
                        loadPicture(folder + request.tiles[t - 1], picture);
                    measureTile(picture, mx, my, request.greyscale, request.filter, out);
                } catch (const std::exception&) {
                    // Out of memory for one tile: it counts as unreadable (black).
                    measureTile(Picture(), mx, my, false, false, out);
                }
            }
        });
        if (!task.running()) return cancelled();
        for (int t = first; t <= last; ++t) {
            appendTile(data, table, t);
            task.setStatus(creatingStatus(t + 1, n));
            task.setValue(t);
            task.countUnit();
            if (!task.running()) return cancelled();
        }
    }
    task.setStatus(QStringLiteral("Saving database..."));
    // A database that cannot be written only costs a new measurement next time; the
    // table in memory is complete either way. The record follows the database: a
    // record left from an older database no longer matches its digest.
    clearSpecialEntry(path);
    if (writeFileAtomically(path, data)) {
        clearSpecialEntry(recordPath(path));
        writeFileAtomically(recordPath(path), formatRecord({request.greyscale, request.filter}, data));
    }
    if (!task.running()) return cancelled();
    return true;
}

}  // namespace

qint64 maxColourDatabaseSize(qint64 count, int matrX, int matrY) {
    return 9 + 2 + std::max<qint64>(0, count) * std::max(0, matrX) * std::max(0, matrY) * 3 * (3 + 2);
}

QByteArray formatColourDatabase(const TileColourTable& table) {
    QByteArray out = header(table.tiles);
    for (int t = 1; t <= table.tiles; ++t) appendTile(out, table, t);
    return out;
}

int parseColourDatabase(const QByteArray& data, TileColourTable& table) {
    const char* p = data.constData();
    const char* end = p + data.size();
    // Blank lines at the very end are not fields.
    while (end > p && (end[-1] == '\r' || end[-1] == '\n')) --end;
    if (p == end) return -1;

    const auto nextField = [&](const char*& b, const char*& e) {
        b = p;
        while (p < end && *p != '\r' && *p != '\n') ++p;
        e = p;
        if (p < end) {
            if (*p == '\r' && p + 1 < end && p[1] == '\n')
                p += 2;
            else
                ++p;
        }
    };

    const char* b;
    const char* e;
    nextField(b, e);
    const long long count = parseWhole(b, e, 9);
    if (count < 0 || count > kMaxDatabaseTiles) return -1;
    if (data.size() > maxColourDatabaseSize(count, table.matrX, table.matrY)) return -1;

    const std::size_t perTile = static_cast<std::size_t>(table.matrX) * table.matrY * 3;
    const std::size_t expected = static_cast<std::size_t>(count) * perTile;
    const std::size_t stored = static_cast<std::size_t>(std::min<long long>(count, table.tiles)) * perTile;
    std::uint8_t* out = table.values.data();
    std::size_t k = 0;
    while (p < end) {
        nextField(b, e);
        const long long v = parseWhole(b, e, 3);
        if (v < 0 || v > 255 || k >= expected) return -1;
        if (k < stored) out[k] = static_cast<std::uint8_t>(v);
        ++k;
    }
    if (k != expected) return -1;
    return static_cast<int>(count);
}

bool LoadColourDatabase(Task& task, const ColourDatabaseRequest& request, TileColourTable& table) {
    const int n = std::max(0, request.tileCount);
    const int mx = std::max(1, request.matrX);
    const int my = std::max(1, request.matrY);
    table.reset(n, mx, my);
    task.setValue(0);
    const QString path = databasePath(request.libraryFolder, mx, my);

    task.setStatus(QStringLiteral("Looking for database..."));
    // Only a regular file is a database. A link, pipe or device is replaced by the
    // build; a folder stays, and the new database is then only kept in memory.
    if (!isRegularFile(path)) {
        task.setStatus(QStringLiteral("No database found..."));
        return buildColourDatabase(task, request, path, table);
    }
    if (request.force) {
        task.setStatus(QStringLiteral("Ignoring existing database..."));
        return buildColourDatabase(task, request, path, table);
    }
    QByteArray data;
    // A damaged file is no database at all: rebuilt, never read as zeros.
    const int count = readDatabaseFile(path, mx, my, data) ? parseColourDatabase(data, table) : -1;
    if (count < 0) {
        table.reset(n, mx, my);
        task.setStatus(QStringLiteral("No database found..."));
        return buildColourDatabase(task, request, path, table);
    }
    // Built in grey, or with the other filtering, for another job: measured again.
    const std::optional<BuildRecord> built = readRecord(path, data);
    if (built && (built->greyscale != request.greyscale || built->filter != request.filter)) {
        table.reset(n, mx, my);
        task.setStatus(QStringLiteral("Ignoring existing database..."));
        return buildColourDatabase(task, request, path, table);
    }
    task.setStatus(QStringLiteral("Database found..."));
    if (count < n || count == 0) {
        if (count < n) task.setStatus(QStringLiteral("Library has been changed..."));
        table.reset(n, mx, my);
        return buildColourDatabase(task, request, path, table);
    }
    return task.running();
}

}  // namespace tx
