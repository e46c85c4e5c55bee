#include "support/DeepZoomWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <turbojpeg.h>

#include "support/AtomicFile.h"
#include "support/FileHelpers.h"
#include "support/Parallel.h"

namespace tx {

QString DeepZoomWriter::filesFolder(const QString& dziPath) {
    return dziPath.endsWith(QLatin1String(".dzi"), Qt::CaseInsensitive) ? dziPath.chopped(4) + QStringLiteral("_files")
                                                                         : dziPath + QStringLiteral("_files");
}

QString DeepZoomWriter::description(int width, int height) {
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<Image xmlns=\"http://schemas.microsoft.com/deepzoom/2008\" Format=\"jpg\" Overlap=\"%1\" "
                          "TileSize=\"%2\"><Size Width=\"%3\" Height=\"%4\"/></Image>\n")
        .arg(kDeepZoomOverlap)
        .arg(kDeepZoomTileSize)
        .arg(width)
        .arg(height);
}

DeepZoomWriter::DeepZoomWriter(QString dziPath, int quality)
    : m_dziPath(std::move(dziPath)), m_quality(std::clamp(quality, 1, 100)) {}

DeepZoomWriter::~DeepZoomWriter() { cancel(); }

bool DeepZoomWriter::begin(int width, int height) {
    if (width <= 0 || height <= 0) return fail(QStringLiteral("the picture is empty"));
    const QString base = filesFolder(m_dziPath);
    for (int attempt = 0; attempt < 100 && m_temp.isEmpty(); ++attempt) {
        const QString candidate =
            base + QStringLiteral(".part%1").arg(QRandomGenerator::global()->generate() % 1000000, 6, 10, QLatin1Char('0'));
        if (!QFileInfo::exists(candidate) && QDir().mkdir(candidate)) m_temp = candidate;
    }
    if (m_temp.isEmpty()) return fail(QStringLiteral("cannot create the folder for the tiles"));
    m_width = width;
    m_height = height;
    const std::vector<DeepZoomLevel> sizes = deepZoomLevels(width, height);
    m_levels.assign(sizes.size(), Level{});
    for (std::size_t l = 0; l < sizes.size(); ++l) {
        m_levels[l].size = sizes[l];
        if (!QDir().mkdir(m_temp + QLatin1Char('/') + QString::number(l)))
            return fail(QStringLiteral("cannot create the folder for the tiles"));
    }
    return true;
}

bool DeepZoomWriter::write(const Picture& strip) {
    if (m_temp.isEmpty() || !m_error.isEmpty()) return fail(QStringLiteral("the file is not open"));
    Level& top = m_levels.back();
    const int received = top.firstRow + static_cast<int>(top.rows.size());
    if (strip.width() != m_width || strip.height() > m_height - received)
        return fail(QStringLiteral("the strip does not fit the picture"));
    for (int y = 0; y < strip.height(); ++y)
        if (!pushRow(static_cast<int>(m_levels.size()) - 1, strip.scanLine(y))) return false;
    return true;
}

std::vector<std::uint8_t> DeepZoomWriter::halve(int level, const std::uint8_t* a, const std::uint8_t* b) const {
    const int width = m_levels[static_cast<std::size_t>(level)].size.width;
    const int half = m_levels[static_cast<std::size_t>(level - 1)].size.width;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(half) * 3);
    for (int x = 0; x < half; ++x) {
        const int x0 = 2 * x, x1 = std::min(2 * x + 1, width - 1);
        for (int c = 0; c < 3; ++c) {
            const int sum = a[x0 * 3 + c] + a[x1 * 3 + c] + b[x0 * 3 + c] + b[x1 * 3 + c];
            out[static_cast<std::size_t>(x) * 3 + c] = static_cast<std::uint8_t>((sum + 2) / 4);
        }
    }
    return out;
}

bool DeepZoomWriter::pushRow(int level, const std::uint8_t* row) {
    Level& l = m_levels[static_cast<std::size_t>(level)];
    const std::size_t bytes = static_cast<std::size_t>(l.size.width) * 3;
    l.rows.emplace_back(row, row + bytes);
    if (level > 0) {
        // Every 2 x 2 block of this level is one pixel of the next coarser one.
        if (!l.hasPending) {
            l.pending.assign(row, row + bytes);
            l.hasPending = true;
        } else {
            l.hasPending = false;
            const std::vector<std::uint8_t> out = halve(level, l.pending.data(), row);
            if (!pushRow(level - 1, out.data())) return false;
        }
    }
    return emitReadyTiles(level, false);
}

bool DeepZoomWriter::emitReadyTiles(int level, bool all) {
    Level& l = m_levels[static_cast<std::size_t>(level)];
    const int received = l.firstRow + static_cast<int>(l.rows.size());
    while (l.nextTileRow < l.size.rows) {
        const TileSpan span = deepZoomTileSpan(l.nextTileRow, l.size.height);
        if (!all && received < span.start + span.length) break;
        if (!writeTileRow(level, l.nextTileRow)) return false;
        ++l.nextTileRow;
        // Rows above the next tile row (its overlap included) are not needed again.
        const int keepFrom = l.nextTileRow < l.size.rows ? deepZoomTileSpan(l.nextTileRow, l.size.height).start : received;
        while (l.firstRow < keepFrom && !l.rows.empty()) {
            l.rows.pop_front();
            ++l.firstRow;
        }
    }
    return true;
}

bool DeepZoomWriter::writeTileRow(int level, int tileRow) {
    const Level& l = m_levels[static_cast<std::size_t>(level)];
    const TileSpan ys = deepZoomTileSpan(tileRow, l.size.height);
    const QString folder = m_temp + QLatin1Char('/') + QString::number(level) + QLatin1Char('/');
    std::mutex failureLock;
    QString failure;
    parallelFor(l.size.columns, 1, [&](std::int64_t b, std::int64_t e) {
        tjhandle h = tjInitCompress();
        std::vector<std::uint8_t> pixels;
        for (std::int64_t c = b; c < e && h; ++c) {
            const TileSpan xs = deepZoomTileSpan(static_cast<int>(c), l.size.width);
            pixels.resize(static_cast<std::size_t>(xs.length) * ys.length * 3);
            for (int y = 0; y < ys.length; ++y) {
                const auto& src = l.rows[static_cast<std::size_t>(ys.start + y - l.firstRow)];
                std::copy_n(src.begin() + xs.start * 3, xs.length * 3, pixels.begin() + static_cast<std::ptrdiff_t>(y) * xs.length * 3);
            }
            unsigned char* jpeg = nullptr;
            unsigned long size = 0;
            const bool encoded = tjCompress2(h, pixels.data(), xs.length, xs.length * 3, ys.length, TJPF_RGB, &jpeg, &size,
                                             TJSAMP_420, m_quality, 0) == 0;
            QFile file(folder + QStringLiteral("%1_%2.jpg").arg(c).arg(tileRow));
            const bool written = encoded && file.open(QIODevice::WriteOnly) &&
                                 file.write(reinterpret_cast<const char*>(jpeg), static_cast<qint64>(size)) ==
                                     static_cast<qint64>(size);
            if (jpeg) tjFree(jpeg);
            if (!written) {
                std::lock_guard lock(failureLock);
                if (failure.isEmpty()) failure = encoded ? file.errorString() : QStringLiteral("the encoder failed");
            }
        }
        if (h) tjDestroy(h);
    });
    return failure.isEmpty() || fail(failure);
}

bool DeepZoomWriter::finish() {
    if (m_temp.isEmpty() || !m_error.isEmpty()) return fail(QStringLiteral("the file is not open"));
    Level& top = m_levels.back();
    if (top.firstRow + static_cast<int>(top.rows.size()) != m_height) return fail(QStringLiteral("the picture is incomplete"));
    // A last odd row of a level stands alone for its coarser row.
    for (int level = static_cast<int>(m_levels.size()) - 1; level >= 0; --level) {
        Level& l = m_levels[static_cast<std::size_t>(level)];
        if (l.hasPending && level > 0) {
            l.hasPending = false;
            const std::vector<std::uint8_t> out = halve(level, l.pending.data(), l.pending.data());
            if (!pushRow(level - 1, out.data())) return false;
        }
        if (!emitReadyTiles(level, true)) return false;
    }

    AtomicFile dzi(m_dziPath, LinkPolicy::FollowToRegularFile);
    const QByteArray text = description(m_width, m_height).toUtf8();
    if (!dzi.open() || !dzi.write(text.constData(), text.size())) return fail(dzi.errorString());
    const QString files = filesFolder(m_dziPath);
    if (QFileInfo(files).isDir() && !DeleteFolder(files)) return fail(QStringLiteral("cannot replace %1").arg(files));
    if (!QDir().rename(m_temp, files)) return fail(QStringLiteral("cannot rename the folder of the tiles"));
    m_temp.clear();
    if (!dzi.commit()) return fail(dzi.errorString());
    m_levels.clear();
    return true;
}

void DeepZoomWriter::cancel() {
    if (!m_temp.isEmpty()) DeleteFolder(m_temp);
    m_temp.clear();
    m_levels.clear();
}

}  // namespace tx
