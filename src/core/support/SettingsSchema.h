#pragma once
// Every value the program keeps under its settings key, with its type, its default
// (as stored text) and, for numbers, its range. All reads and writes of the program's
// own settings go through here: defaults live only in this table, and numbers are
// clamped into their range in one place.

#include <QString>
#include <optional>
#include <span>

namespace tx {

enum class Setting {
    // Mosaic options, in the order the wizard reads them.
    Blend, Distance, Enhance, Brightness, Greyscale, Subdirs, KeepSize, Link, Lock, Force, Filter,
    MatrixX, MatrixY, Unit, Dpi, RenderNorm,
    // Library page, recent sources, preferences, task window and viewer.
    AutoAnalyse, History0, History1, History2, History3, History4,
    MaxWidth, MaxHeight, JPGQuality, Check, Prev, Lines,
    // Matching options beside the specified ones.
    Perceptual, Mirror,
    // Even tile use: 0 off, 1 every tile before repeats, 2 at most MaxUses times.
    EvenUse, MaxUses,
};

enum class SettingType {
    Int,        // decimal whole number within [min, max]
    NumberText, // a decimal number kept as typed ("72.5", "5.0"); rounded half to even it lies within [min, max]
    Flag,       // check box: "0" or "1"; any non-zero number reads as set
    TrueFalse,  // "True" or "False"; only the exact text "True" reads as true
    Path,       // free text (a file path)
};

struct SettingSpec {
    Setting id;
    const char* name;  // the value name in the store
    SettingType type;
    const char* defaultText;
    int min = 0, max = 0;  // Int and NumberText only
};

// The whole table, in declaration order of Setting.
std::span<const SettingSpec> settingSpecs();
const SettingSpec& specOf(Setting s);
QString settingName(Setting s);
// The entry whose name equals `name` without regard to case.
const SettingSpec* findSettingSpec(const QString& name);
// "History0" .. "History4"; index must be 0..4.
Setting historySetting(int index);

// The stored text, or the default when nothing is stored.
QString settingText(Setting s);
// Int, NumberText: the stored number (rounded half to even) clamped into range; Flag: 0 or 1. The default when the
// stored text is not a number. Not meant for the other types (gives 0).
int settingInt(Setting s);
// Flag: non-zero; TrueFalse: exactly "True". Not meant for the other types (gives false).
bool settingBool(Setting s);

// The text to store for `text`, or nothing (with the reason in `why`) when it is not
// a valid value of the setting: Int takes a decimal whole number within range, NumberText
// a decimal number with an optional fraction whose rounded value is within range (stored
// as typed, without surrounding blanks), Flag "0" or "1", TrueFalse "True" or "False" in
// any case (stored as "True"/"False").
std::optional<QString> normalisedSettingText(Setting s, const QString& text, QString* why = nullptr);

// Writes under the table's spelling of the name. False when the value is refused or
// the store could not be written.
bool setSettingText(Setting s, const QString& text);
bool setSettingInt(Setting s, int value);  // clamped into range first
bool setSettingBool(Setting s, bool value);

// "JPGQuality" as the JPEG writer takes it, 0..100.
int jpegQualitySetting();

}  // namespace tx
