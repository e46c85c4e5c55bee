#include "library/CreateLibrary.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <vector>

#include "library/CropGeometry.h"
#include "support/DibSection.h"
#include "support/Effects.h"
#include "support/FileHelpers.h"
#include "support/JpegBridge.h"
#include "support/Messages.h"
#include "support/Parallel.h"
#include "support/PictureFile.h"
#include "support/TxError.h"
#include "task/EngineRun.h"

namespace tx {

namespace {

constexpr int kMaxTileNumber = 32767;

// Maps a region of the file's own sW x sH picture onto a picture decoded at dW x dH.
Rect scaleRegion(const CropRegion& r, int sW, int sH, int dW, int dH) {
    const double fx = static_cast<double>(dW) / sW;
    const double fy = static_cast<double>(dH) / sH;
    const int x0 = std::clamp(static_cast<int>(std::lround(r.x * fx)), 0, dW - 1);
    const int y0 = std::clamp(static_cast<int>(std::lround(r.y * fy)), 0, dH - 1);
    const int x1 = std::clamp(static_cast<int>(std::lround((r.x + r.w) * fx)), x0 + 1, dW);
    const int y1 = std::clamp(static_cast<int>(std::lround((r.y + r.h) * fy)), y0 + 1, dH);
    return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace

Picture makeTile(const QString& path, int tileW, int tileH, int margin, CropAnchor anchor, QString* error) {
    int sW = 0, sH = 0;
    const bool sized = pictureSize(path, sW, sH) && sW > 0 && sH > 0;
    LoadHint hint;
    CropRegion region;
    if (sized) {
        region = cropRegion(sW, sH, tileW, tileH, margin, anchor);
        // The decoder may scale down as long as the region keeps at least the
        // double-size canvas's resolution.
        if (!region.whole && region.w > 0 && region.h > 0) {
            hint.minWidth = static_cast<int>(std::min<std::int64_t>(
                sW, (std::int64_t{2} * tileW * sW + region.w - 1) / region.w));
            hint.minHeight = static_cast<int>(std::min<std::int64_t>(
                sH, (std::int64_t{2} * tileH * sH + region.h - 1) / region.h));
        }
    }
    Picture source;
    if (!loadPicture(path, source, error, hint) || source.isEmpty()) return {};

    Rect from;
    if (sized && (source.width() != sW || source.height() != sH) && !region.whole &&
        hint.minWidth > 0) {
        from = scaleRegion(region, sW, sH, source.width(), source.height());
    } else {
        if (!sized || source.width() != sW || source.height() != sH) {
            sW = source.width();
            sH = source.height();
            region = cropRegion(sW, sH, tileW, tileH, margin, anchor);
        }
        if (region.whole) {
            // The tile plus its margin is drawn whole with the plain stretch, which
            // drops the margin's worth of rows and columns. Only a margin as large as
            // the tile would drop more than it keeps; such a picture is averaged.
            if (sW < 2 * tileW && sH < 2 * tileH) return stretchPlain(source, tileW, tileH);
            return stretchHalftone(source, tileW, tileH);
        }
        from = {region.x, region.y, region.w, region.h};
    }
    // Soften at double size, then halve: the blur works at twice the resolution.
    Picture canvas = stretchHalftone(source, from, 2 * tileW, 2 * tileH);
    FoxBlur(canvas);
    return stretchPlain(canvas, tileW, tileH);
}

namespace {

struct MadeTile {
    Picture picture;
    QString error;  // why the picture could not be read
};

void createLibrary(Task& task, const CreateLibraryJob& job) {

    const int tileW = job.tileWidth;
    const int tileH = job.tileHeight;
    if (tileW < 1 || tileH < 1 || std::int64_t{tileW} * tileH > 64LL * 1024 * 1024) {
        task.stop(MessageIcon::Information, msg::kValidPixelSize);
        return;
    }
    const int margin = std::max(0, job.cropMargin);
    const int quality = std::clamp(job.jpegQuality, 0, 100);
    const CropAnchor anchor = cropAnchor(job.anchor);
    const QString sourceFolder = AddBackslash(job.sourceFolder);
    const QString target = AddBackslash(job.targetFolder);
    const int count = static_cast<int>(job.sourceEntries.size());

    task.setMaximum(std::max(0, count - 1));
    task.setStatus(QStringLiteral("Creating tiles..."));
    if (count > 0) QDir().mkpath(target);

    // Names already in the library, without regard to case (n.JPG takes n too).
    QSet<QString> taken;
    if (count > 0)
        for (const QString& f : QDir(target).entryList(QDir::Files)) taken.insert(f.toLower());
    const auto isTaken = [&](int n) {
        for (const char* ext : {".bmp", ".jpg", ".jpeg"}) {
            const QString name = QString::number(n) + QLatin1String(ext);
            if (taken.contains(name) || entryExists(target + name)) return true;
        }
        return false;
    };

    int n = 1;
    int unreadable = 0;
    cDIBSection buffer;
    // Pictures are decoded and reduced in parallel a batch at a time; numbering,
    // saving and reporting follow in source order, exactly as one at a time.
    const int batch = std::max(8, 4 * workerCount());
    for (int first = 0; first < count; first += batch) {
        const int last = std::min(count, first + batch);
        std::vector<MadeTile> tiles(static_cast<std::size_t>(last - first));
        parallelFor(last - first, 1, [&](std::int64_t b, std::int64_t e) {
            for (std::int64_t k = b; k < e; ++k) {
                if (!task.running()) return;
                MadeTile& made = tiles[static_cast<std::size_t>(k)];
                try {
                    made.picture = makeTile(sourceFolder + job.sourceEntries[first + static_cast<int>(k)], tileW,
                                            tileH, margin, anchor, &made.error);
                } catch (const std::exception&) {
                    // Out of memory for one picture: it counts as unreadable.
                    made.picture = Picture();
                    made.error = QStringLiteral("not enough memory to read it");
                }
            }
        });
        if (!task.running()) return;

        for (int i = first; i < last; ++i) {
            const Picture& tile = tiles[static_cast<std::size_t>(i - first)].picture;
            if (tile.isEmpty()) {
                ++unreadable;  // nothing saved, no number used
                const QString& why = tiles[static_cast<std::size_t>(i - first)].error;
                task.addProblem(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(job.sourceEntries[i]),
                                                             why.isEmpty() ? QStringLiteral("cannot be read") : why));
            } else {
                while (n <= kMaxTileNumber && isTaken(n)) ++n;
                if (n > kMaxTileNumber) {
                    task.stop(
                        MessageIcon::Critical,
                        QStringLiteral("The library is full: it can hold at most %1 numbered tiles.")
                            .arg(kMaxTileNumber));
                    return;
                }
                const QString base = target + QString::number(n);
                QString name;
                QString error;
                if (job.format == TileFormat::Jpeg) {
                    try {
                        buffer.CreateFromPicture(tile);
                        if (buffer.DIBSectionBitsPtr() &&
                            SaveJpegFile(buffer, base + QStringLiteral(".jpg"), quality))
                            name = QString::number(n) + QStringLiteral(".jpg");
                    } catch (const TxError& e) {
                        error = e.description();
                    } catch (const std::exception& e) {
                        error = QString::fromLocal8Bit(e.what());
                    }
                }
                if (name.isEmpty()) {
                    if (saveBmp(tile, base + QStringLiteral(".bmp"), &error))
                        name = QString::number(n) + QStringLiteral(".bmp");
                }
                if (name.isEmpty()) {
                    task.stop(MessageIcon::Information,
                                            QStringLiteral("The tile %1 could not be saved: %2")
                                                .arg(QDir::toNativeSeparators(base + QStringLiteral(".bmp")), error));
                    return;
                }
                taken.insert(name.toLower());
                task.addFileWritten(target + name);
            }
            task.setValue(i);
            if (!task.running()) return;
            task.setStatus(QStringLiteral("Creating tiles (") + QString::number(i + 1) + QLatin1Char('/') +
                           QString::number(count) + QStringLiteral(")..."));
            task.countUnit();
        }
    }

    if (unreadable == 0) {
        task.finish();
        return;
    }
    task.clearTimeText();
    task.setStatus(QStringLiteral("Complete... (%1 %2 could not be read)")
                       .arg(unreadable)
                       .arg(unreadable == 1 ? QStringLiteral("picture") : QStringLiteral("pictures")));
    task.setButton(QStringLiteral("&Finished"));
    task.markCompleted();
    task.setRunning(false);
}

}  // namespace

JobResult CreateLibrary(Task& task, const CreateLibraryJob& job) {
    return runEngine(task, [&] {
        if (task.begin()) createLibrary(task, job);
    });
}

}  // namespace tx
