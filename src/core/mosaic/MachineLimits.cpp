#include "mosaic/MachineLimits.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <algorithm>
#include <cmath>

#include "support/Picture.h"
#include "support/Platform.h"
#include "support/SettingsSchema.h"

namespace tx {

namespace {
constexpr std::int64_t kStep = 1000;
constexpr std::int64_t kMostPixels = 32000;

// Files under /proc and /sys report a size of 0, so read until the end.
QString readSmallFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromLatin1(f.read(4096));
}

// The smaller of two limits, zero meaning none.
std::uint64_t tighter(std::uint64_t a, std::uint64_t b) {
    if (a == 0) return b;
    if (b == 0) return a;
    return std::min(a, b);
}

// The limit in `file` of the group at `base` + `group` and of every ancestor up to `base`.
std::uint64_t limitAlong(const QString& base, const QString& group, const QString& file) {
    std::uint64_t limit = 0;
    QStringList parts = group.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    // A group path with ".." would leave the mount.
    if (parts.contains(QStringLiteral(".."))) parts.clear();
    for (;;) {
        const QString dir = parts.isEmpty() ? base : base + QLatin1Char('/') + parts.join(QLatin1Char('/'));
        limit = tighter(limit, parseGroupLimit(readSmallFile(dir + QLatin1Char('/') + file)));
        if (parts.isEmpty()) break;
        parts.removeLast();
    }
    return limit;
}
}  // namespace

MachineLimits limitsForMemory(std::uint64_t physicalBytes) {
    const double pixels = static_cast<double>(physicalBytes) / 4.0 / 3.0;
    std::int64_t side = static_cast<std::int64_t>(std::sqrt(pixels));
    // A page must also be a Picture the program can create.
    side = std::min<std::int64_t>(side, static_cast<std::int64_t>(std::sqrt(double(Picture::kMaxPixels))));
    side = std::clamp<std::int64_t>(side / kStep * kStep, kStep, kMostPixels);
    return {static_cast<int>(side), static_cast<int>(side)};
}

std::uint64_t usableMemory(std::uint64_t physicalBytes, std::uint64_t groupLimitBytes) {
    return tighter(physicalBytes, groupLimitBytes);
}

std::uint64_t parseGroupLimit(const QString& text) {
    bool ok = false;
    const qulonglong v = text.trimmed().toULongLong(&ok);
    return ok ? v : 0;
}

std::uint64_t groupMemoryLimit(const QString& procSelfCgroup, const QString& cgroupRoot) {
    const QString root = QDir::cleanPath(cgroupRoot);
    std::uint64_t limit = 0;
    // Lines are "id:controllers:path"; v2 has the single line "0::path".
    for (const QString& line : procSelfCgroup.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const qsizetype first = line.indexOf(QLatin1Char(':'));
        const qsizetype second = first < 0 ? -1 : line.indexOf(QLatin1Char(':'), first + 1);
        if (second < 0) continue;
        const QString controllers = line.mid(first + 1, second - first - 1);
        const QString path = line.mid(second + 1).trimmed();
        if (controllers.isEmpty())
            limit = tighter(limit, limitAlong(root, path, QStringLiteral("memory.max")));
        else if (controllers.split(QLatin1Char(',')).contains(QStringLiteral("memory")))
            limit = tighter(limit, limitAlong(root + QStringLiteral("/memory"), path,
                                              QStringLiteral("memory.limit_in_bytes")));
    }
    // In a container the group's own limit sits at the root of the mount, while
    // /proc/self/cgroup may still name the group as the host sees it.
    limit = tighter(limit, parseGroupLimit(readSmallFile(root + QStringLiteral("/memory.max"))));
    limit = tighter(limit, parseGroupLimit(readSmallFile(root + QStringLiteral("/memory/memory.limit_in_bytes"))));
    return limit;
}

MachineLimits TestMachine() {
    const std::uint64_t bytes = usableMemory(
        platform::physicalMemoryBytes(), groupMemoryLimit(platform::ownControlGroups(), platform::controlGroupRoot()));
    // Unknown memory: the settings' defaults are the safe answer.
    if (bytes == 0) return {};
    return limitsForMemory(bytes);
}

bool machineCheckEnabled() { return settingBool(Setting::Check); }

MachineLimits storedMachineLimits() {
    return {settingInt(Setting::MaxWidth), settingInt(Setting::MaxHeight)};
}

std::optional<MachineLimits> fixedLimitsSetting() {
    if (machineCheckEnabled()) return std::nullopt;
    return storedMachineLimits();
}

}  // namespace tx
