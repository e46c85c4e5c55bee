#pragma once
// The settings store: named string values under a key path.
// Backed by QSettings in INI format: the file named by TESSELIX_SETTINGS when set
// (every test sets it), otherwise the user's configuration folder. Key paths use
// backslashes as the program always has ("Software\quorvel Software\Tesselix\1.0");
// a trailing backslash addresses the same key. An empty value name addresses the
// key's default value.
//
// Like the registry it stands in for, key paths and value names are compared
// without regard to case: a write replaces the stored value whatever the case of
// its name (keeping the stored spelling), and a read finds it. A value name holding
// "/" or "\" would address another key, so it is refused.
//
// Error rules: nothing is shown. A failed read returns the default; a failed or
// refused write leaves the store unchanged and returns false.

#include <QString>
#include <optional>

namespace tx {

enum class RegRoot { LocalMachine, ClassesRoot };
constexpr int REG_SZ = 1;

QString GetRegValue(RegRoot root, const QString& keyPath, const QString& valueName, const QString& defaultValue);
bool SetRegValue(RegRoot root, const QString& keyPath, const QString& valueName, int type, const QString& value);
// The stored text, or nothing when the key or the value is missing or unreadable.
std::optional<QString> findRegValue(RegRoot root, const QString& keyPath, const QString& valueName);

// Values longer than this (in the local 8-bit encoding) cannot be read back.
constexpr int kMostValueBytes = 2047;

// True for a value name the store accepts: no "/" or "\"; empty is the default value.
bool isValidValueName(const QString& valueName);

// The program's own key, "Software\quorvel Software\Tesselix\1.0".
QString settingsKey();
// Shorthands for named values under the program's own key; the empty name is refused
// (read gives the default, write gives false). Prefer the typed reads of
// SettingsSchema.h for the program's own settings.
QString readSetting(const QString& name, const QString& defaultValue);
bool writeSetting(const QString& name, const QString& value);
std::optional<QString> findSetting(const QString& name);
// A setting read as a whole number (rounded half to even, as text conversion does);
// the default when the stored text is not a number.
int readSettingInt(const QString& name, int defaultValue);

// Text as a whole number: decimal, possibly with a fraction (rounded half to even),
// blanks around it allowed. False for anything else or beyond the int range.
bool parseWholeNumber(const QString& text, int& value);

}  // namespace tx
