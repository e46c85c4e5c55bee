#include "support/Registry.h"

#include <QSettings>
#include <QStandardPaths>
#include <cmath>

namespace tx {

namespace {

QString storeFile() {
    const QString env = qEnvironmentVariable("TESSELIX_SETTINGS");
    if (!env.isEmpty()) return env;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Tesselix/settings.ini");
}

// "Software\quorvel Software\Tesselix\1.0\" under a root becomes the segments
// "HKLM", "Software", "quorvel Software", "Tesselix", "1.0"; empty segments (from
// leading, trailing or doubled separators) address nothing and are dropped.
QStringList segmentsOf(RegRoot root, const QString& keyPath) {
    QString path = keyPath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    parts.prepend(root == RegRoot::LocalMachine ? QStringLiteral("HKLM") : QStringLiteral("HKCR"));
    return parts;
}

// The empty value name is the key's default value.
QString nameOf(const QString& valueName) {
    return valueName.isEmpty() ? QStringLiteral("@Default") : valueName;
}

// Of the names equal to `wanted` without regard to case, the exact one if present,
// else the first; empty when there is none.
QString storedSpelling(const QStringList& names, const QString& wanted) {
    QString found;
    for (const QString& n : names) {
        if (n.compare(wanted, Qt::CaseInsensitive) != 0) continue;
        if (n == wanted) return n;
        if (found.isEmpty()) found = n;
    }
    return found;
}

// The group path of the key as it is spelled in the store, segment by segment;
// segments not yet stored keep the caller's spelling.
QString storedGroup(QSettings& store, const QStringList& segments) {
    QString path;
    for (const QString& part : segments) {
        if (!path.isEmpty()) store.beginGroup(path);
        QString match = storedSpelling(store.childGroups(), part);
        if (!path.isEmpty()) store.endGroup();
        if (match.isEmpty()) match = part;
        path = path.isEmpty() ? match : path + QLatin1Char('/') + match;
    }
    return path;
}

}  // namespace

bool isValidValueName(const QString& valueName) {
    return !valueName.contains(QLatin1Char('/')) && !valueName.contains(QLatin1Char('\\'));
}

std::optional<QString> findRegValue(RegRoot root, const QString& keyPath, const QString& valueName) {
    if (!isValidValueName(valueName)) return std::nullopt;
    QSettings store(storeFile(), QSettings::IniFormat);
    store.beginGroup(storedGroup(store, segmentsOf(root, keyPath)));
    const QString key = storedSpelling(store.childKeys(), nameOf(valueName));
    if (key.isEmpty()) return std::nullopt;
    const QVariant v = store.value(key);
    if (!v.isValid()) return std::nullopt;
    QString text = v.toString();
    // The old store read into a 2048-byte buffer: longer values were unreadable.
    if (text.toLocal8Bit().size() > kMostValueBytes) return std::nullopt;
    return text;
}

QString GetRegValue(RegRoot root, const QString& keyPath, const QString& valueName, const QString& defaultValue) {
    return findRegValue(root, keyPath, valueName).value_or(defaultValue);
}

bool SetRegValue(RegRoot root, const QString& keyPath, const QString& valueName, int /*type*/, const QString& value) {
    if (!isValidValueName(valueName)) return false;
    // A value that could not be read back would silently turn into its default.
    if (value.toLocal8Bit().size() > kMostValueBytes) return false;
    QSettings store(storeFile(), QSettings::IniFormat);
    store.beginGroup(storedGroup(store, segmentsOf(root, keyPath)));
    const QString wanted = nameOf(valueName);
    const QStringList keys = store.childKeys();
    QString target = storedSpelling(keys, wanted);
    if (target.isEmpty()) target = wanted;
    // Older files may hold one value under several spellings: keep only one.
    for (const QString& k : keys)
        if (k != target && k.compare(wanted, Qt::CaseInsensitive) == 0) store.remove(k);
    store.setValue(target, value);
    store.endGroup();
    store.sync();
    return store.status() == QSettings::NoError;
}

QString settingsKey() { return QStringLiteral("Software\\quorvel Software\\Tesselix\\1.0"); }

QString readSetting(const QString& name, const QString& defaultValue) {
    return findSetting(name).value_or(defaultValue);
}

bool writeSetting(const QString& name, const QString& value) {
    if (name.isEmpty()) return false;
    return SetRegValue(RegRoot::LocalMachine, settingsKey() + QLatin1Char('\\'), name, REG_SZ, value);
}

std::optional<QString> findSetting(const QString& name) {
    if (name.isEmpty()) return std::nullopt;
    return findRegValue(RegRoot::LocalMachine, settingsKey(), name);
}

bool parseWholeNumber(const QString& text, int& value) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || std::fabs(v) > 2147483647.0) return false;
    value = static_cast<int>(std::nearbyint(v));  // default rounding mode: half to even
    return true;
}

int readSettingInt(const QString& name, int defaultValue) {
    int v = 0;
    return parseWholeNumber(readSetting(name, QString::number(defaultValue)), v) ? v : defaultValue;
}

}  // namespace tx
