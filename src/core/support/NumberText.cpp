#include "support/NumberText.h"

#include <cmath>

namespace tx {

std::optional<double> numberValue(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<int> asInteger(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    const double r = std::nearbyint(value);  // default rounding mode: half to even
    if (r < -32768.0 || r > 32767.0) return std::nullopt;
    return static_cast<int>(r);
}

std::optional<int> asInteger(const QString& text) {
    const auto v = numberValue(text);
    return v ? asInteger(*v) : std::nullopt;
}

QString numberText(double value) {
    if (value == 0.0) return QStringLiteral("0");  // never "-0"
    return QString::number(value, 'g', 15);
}

}  // namespace tx
