#include "support/SettingsSchema.h"

#include <QRegularExpression>
#include <algorithm>
#include <array>

#include "support/Registry.h"

namespace tx {

namespace {

using T = SettingType;
constexpr int kMost16 = 32767;

constexpr std::array kSpecs{
    SettingSpec{Setting::Blend, "Blend", T::Int, "20", 0, 100},
    SettingSpec{Setting::Distance, "Distance", T::Int, "6", 0, 50},
    SettingSpec{Setting::Enhance, "Enhance", T::Int, "100", 0, 200},
    SettingSpec{Setting::Brightness, "Brightness", T::Int, "0", -100, 100},
    SettingSpec{Setting::Greyscale, "Greyscale", T::Flag, "0"},
    SettingSpec{Setting::Subdirs, "Subdirs", T::Flag, "0"},
    SettingSpec{Setting::KeepSize, "KeepSize", T::Flag, "1"},
    SettingSpec{Setting::Link, "Link", T::Flag, "1"},
    SettingSpec{Setting::Lock, "Lock", T::Flag, "1"},
    SettingSpec{Setting::Force, "Force", T::Flag, "0"},
    SettingSpec{Setting::Filter, "Filter", T::Flag, "1"},
    SettingSpec{Setting::MatrixX, "MatrixX", T::NumberText, "3", 1, 12},
    SettingSpec{Setting::MatrixY, "MatrixY", T::NumberText, "3", 1, 12},
    SettingSpec{Setting::Unit, "Unit", T::Int, "2", 0, 2},  // 0 inch, 1 cm, 2 pixels
    SettingSpec{Setting::Dpi, "Dpi", T::NumberText, "300", 1, kMost16},
    SettingSpec{Setting::RenderNorm, "RenderNorm", T::TrueFalse, "False"},
    SettingSpec{Setting::AutoAnalyse, "AutoAnalyse", T::Flag, "0"},
    SettingSpec{Setting::History0, "History0", T::Path, ""},
    SettingSpec{Setting::History1, "History1", T::Path, ""},
    SettingSpec{Setting::History2, "History2", T::Path, ""},
    SettingSpec{Setting::History3, "History3", T::Path, ""},
    SettingSpec{Setting::History4, "History4", T::Path, ""},
    // Picture limits are 16-bit sizes of at least one pixel.
    SettingSpec{Setting::MaxWidth, "MaxWidth", T::Int, "5000", 1, kMost16},
    SettingSpec{Setting::MaxHeight, "MaxHeight", T::Int, "5000", 1, kMost16},
    SettingSpec{Setting::JPGQuality, "JPGQuality", T::Int, "90", 0, 100},
    SettingSpec{Setting::Check, "Check", T::Flag, "1"},
    SettingSpec{Setting::Prev, "Prev", T::Flag, "1"},
    SettingSpec{Setting::Lines, "Lines", T::Flag, "1"},
    SettingSpec{Setting::Perceptual, "Perceptual", T::Flag, "0"},
    SettingSpec{Setting::Mirror, "Mirror", T::Flag, "0"},
    SettingSpec{Setting::EvenUse, "EvenUse", T::Int, "0", 0, 2},
    SettingSpec{Setting::MaxUses, "MaxUses", T::Int, "2", 1, kMost16},
};

constexpr bool tableInEnumOrder() {
    for (std::size_t k = 0; k < kSpecs.size(); ++k)
        if (static_cast<std::size_t>(kSpecs[k].id) != k) return false;
    return true;
}
static_assert(tableInEnumOrder(), "settings table must follow the order of Setting");
static_assert(kSpecs.back().id == Setting::MaxUses, "every Setting needs a row");

QString defaultOf(const SettingSpec& spec) { return QString::fromLatin1(spec.defaultText); }

// The number a stored text stands for, or the default's.
int numberOf(const SettingSpec& spec) {
    int v = 0;
    if (!parseWholeNumber(readSetting(QString::fromLatin1(spec.name), defaultOf(spec)), v))
        parseWholeNumber(defaultOf(spec), v);
    return v;
}

}  // namespace

std::span<const SettingSpec> settingSpecs() { return kSpecs; }

const SettingSpec& specOf(Setting s) { return kSpecs[static_cast<std::size_t>(s)]; }

QString settingName(Setting s) { return QString::fromLatin1(specOf(s).name); }

const SettingSpec* findSettingSpec(const QString& name) {
    for (const SettingSpec& spec : kSpecs)
        if (name.compare(QLatin1String(spec.name), Qt::CaseInsensitive) == 0) return &spec;
    return nullptr;
}

Setting historySetting(int index) {
    return static_cast<Setting>(static_cast<int>(Setting::History0) + std::clamp(index, 0, 4));
}

QString settingText(Setting s) { return readSetting(settingName(s), defaultOf(specOf(s))); }

int settingInt(Setting s) {
    const SettingSpec& spec = specOf(s);
    switch (spec.type) {
    case T::Int:
    case T::NumberText: return std::clamp(numberOf(spec), spec.min, spec.max);
    case T::Flag: return numberOf(spec) != 0 ? 1 : 0;
    default: return 0;
    }
}

bool settingBool(Setting s) {
    const SettingSpec& spec = specOf(s);
    switch (spec.type) {
    case T::Flag: return settingInt(s) != 0;
    // The wizard selects linear rendering only for the exact text.
    case T::TrueFalse: return settingText(s) == QLatin1String("True");
    default: return false;
    }
}

std::optional<QString> normalisedSettingText(Setting s, const QString& text, QString* why) {
    const SettingSpec& spec = specOf(s);
    const QString name = QString::fromLatin1(spec.name);
    auto refuse = [&](const QString& reason) -> std::optional<QString> {
        if (why) *why = reason;
        return std::nullopt;
    };
    const QString t = text.trimmed();
    switch (spec.type) {
    case T::Int: {
        static const QRegularExpression whole(QStringLiteral("^[+-]?[0-9]{1,9}$"));
        const QString range = QStringLiteral("%1 takes a whole number from %2 to %3").arg(name).arg(spec.min).arg(spec.max);
        if (!whole.match(t).hasMatch()) return refuse(range);
        const int v = t.toInt();
        if (v < spec.min || v > spec.max) return refuse(range);
        return QString::number(v);
    }
    case T::NumberText: {
        static const QRegularExpression decimal(QStringLiteral("^[+-]?([0-9]{1,9}(\\.[0-9]{0,15})?|\\.[0-9]{1,15})$"));
        const QString range = QStringLiteral("%1 takes a number from %2 to %3").arg(name).arg(spec.min).arg(spec.max);
        int v = 0;
        if (!decimal.match(t).hasMatch() || !parseWholeNumber(t, v)) return refuse(range);
        if (v < spec.min || v > spec.max) return refuse(range);
        return t;
    }
    case T::Flag:
        if (t == QLatin1String("0") || t == QLatin1String("1")) return t;
        return refuse(QStringLiteral("%1 takes 0 or 1").arg(name));
    case T::TrueFalse:
        if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return QStringLiteral("True");
        if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return QStringLiteral("False");
        return refuse(QStringLiteral("%1 takes True or False").arg(name));
    case T::Path:
        if (text.toLocal8Bit().size() > kMostValueBytes)
            return refuse(QStringLiteral("%1 takes at most %2 bytes").arg(name).arg(kMostValueBytes));
        return text;
    }
    return refuse(name);
}

bool setSettingText(Setting s, const QString& text) {
    const std::optional<QString> stored = normalisedSettingText(s, text);
    return stored && writeSetting(settingName(s), *stored);
}

bool setSettingInt(Setting s, int value) {
    const SettingSpec& spec = specOf(s);
    if (spec.type == T::Flag) return setSettingBool(s, value != 0);
    if (spec.type != T::Int && spec.type != T::NumberText) return false;
    return writeSetting(settingName(s), QString::number(std::clamp(value, spec.min, spec.max)));
}

bool setSettingBool(Setting s, bool value) {
    switch (specOf(s).type) {
    case T::Flag: return writeSetting(settingName(s), value ? QStringLiteral("1") : QStringLiteral("0"));
    case T::TrueFalse: return writeSetting(settingName(s), value ? QStringLiteral("True") : QStringLiteral("False"));
    default: return false;
    }
}

int jpegQualitySetting() { return settingInt(Setting::JPGQuality); }

}  // namespace tx
