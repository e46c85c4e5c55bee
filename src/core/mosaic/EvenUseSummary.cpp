#include "mosaic/EvenUseSummary.h"

namespace tx {

namespace {

QString times(int n) { return n == 1 ? QStringLiteral("once") : QStringLiteral("%1 times").arg(n); }

}  // namespace

QString evenUseSummary(const EvenUse& use, int cells, int tiles) {
    const QString atOnce = QStringLiteral(" All cells are chosen at once.");
    switch (use.mode) {
    case EvenUseMode::Off:
        return QString();
    case EvenUseMode::EveryTile:
        if (cells <= 0 || tiles <= 0) return QStringLiteral("Every tile is used before any tile repeats.") + atOnce;
        if (cells < tiles)
            return QStringLiteral("The best %1 of the %2 tiles are used once each.").arg(cells).arg(tiles) + atOnce;
        if (cells % tiles == 0) return QStringLiteral("Every tile is used %1.").arg(times(cells / tiles)) + atOnce;
        return QStringLiteral("Every tile is used %1 or %2.").arg(cells / tiles).arg(times(cells / tiles + 1)) + atOnce;
    case EvenUseMode::MaxUses:
        if (cells > 0 && tiles > 0 && std::int64_t{use.maxUses} * tiles < cells)
            return QStringLiteral("Too few: %1 tiles used at most %2 cannot fill %3 cells.")
                .arg(tiles)
                .arg(times(use.maxUses))
                .arg(cells);
        return QStringLiteral("No tile is used more than %1.").arg(times(use.maxUses)) + atOnce;
    }
    return QString();
}

}  // namespace tx
