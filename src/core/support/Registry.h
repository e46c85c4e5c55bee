#pragma once
// The settings store: named string values under a key path.
// Backed by QSettings in INI format: the file named by TESSELIX_SETTINGS when set
// (every test sets it), otherwise the user's configuration folder. Key paths use
// backslashes as the program always has ("Software\quorvel Software\Tesselix\1.0");
// a trailing backslash addresses the same key. An empty value name addresses the
// key's default value.
//
// Error rules: nothing is reported. A failed read returns the default; a failed
// write leaves the store unchanged.

#include <QString>

namespace tx {

enum class RegRoot { LocalMachine, ClassesRoot };
constexpr int REG_SZ = 1;

QString GetRegValue(RegRoot root, const QString& keyPath, const QString& valueName, const QString& defaultValue);
void SetRegValue(RegRoot root, const QString& keyPath, const QString& valueName, int type, const QString& value);

// The program's own key, "Software\quorvel Software\Tesselix\1.0".
QString settingsKey();
// Shorthands for values under the program's own key.
QString readSetting(const QString& name, const QString& defaultValue);
void writeSetting(const QString& name, const QString& value);
// A setting read as a whole number (rounded half to even, as text conversion does);
// the default when the stored text is not a number.
int readSettingInt(const QString& name, int defaultValue);

}  // namespace tx
