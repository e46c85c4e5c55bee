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

// "Software\quorvel Software\Tesselix\1.0\" under a root becomes the QSettings group
// "HKLM/Software/quorvel Software/Tesselix/1.0"; trailing separators address the same key.
QString groupOf(RegRoot root, const QString& keyPath) {
    QString path = keyPath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (path.endsWith(QLatin1Char('/'))) path.chop(1);
    while (path.startsWith(QLatin1Char('/'))) path.remove(0, 1);
    const QString rootName = root == RegRoot::LocalMachine ? QStringLiteral("HKLM") : QStringLiteral("HKCR");
    return path.isEmpty() ? rootName : rootName + QLatin1Char('/') + path;
}

// The empty value name is the key's default value.
QString nameOf(const QString& valueName) {
    return valueName.isEmpty() ? QStringLiteral("@Default") : valueName;
}

}  // namespace

QString GetRegValue(RegRoot root, const QString& keyPath, const QString& valueName, const QString& defaultValue) {
    QSettings store(storeFile(), QSettings::IniFormat);
    const QString key = groupOf(root, keyPath) + QLatin1Char('/') + nameOf(valueName);
    const QVariant v = store.value(key);
    if (!v.isValid()) return defaultValue;
    const QString text = v.toString();
    // The old store read into a 2048-byte buffer: longer values were unreadable.
    if (text.toLocal8Bit().size() > 2047) return defaultValue;
    return text;
}

void SetRegValue(RegRoot root, const QString& keyPath, const QString& valueName, int /*type*/, const QString& value) {
    QSettings store(storeFile(), QSettings::IniFormat);
    store.setValue(groupOf(root, keyPath) + QLatin1Char('/') + nameOf(valueName), value);
    store.sync();
}

QString settingsKey() { return QStringLiteral("Software\\quorvel Software\\Tesselix\\1.0"); }

QString readSetting(const QString& name, const QString& defaultValue) {
    return GetRegValue(RegRoot::LocalMachine, settingsKey(), name, defaultValue);
}

void writeSetting(const QString& name, const QString& value) {
    SetRegValue(RegRoot::LocalMachine, settingsKey() + QLatin1Char('\\'), name, REG_SZ, value);
}

int readSettingInt(const QString& name, int defaultValue) {
    bool ok = false;
    const double v = readSetting(name, QString::number(defaultValue)).trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || std::fabs(v) > 2147483647.0) return defaultValue;
    return static_cast<int>(std::nearbyint(v));  // default rounding mode: half to even
}

}  // namespace tx
