#pragma once
// Numbers typed into fields and written back into them.

#include <QString>
#include <optional>

namespace tx {

// A typed number: surrounding blanks allowed, "." as the decimal point. Empty
// when the text is not a finite number.
std::optional<double> numberValue(const QString& text);
// A number "as integer": rounded half to even into the 16-bit range; empty when
// not a number or outside -32768..32767.
std::optional<int> asInteger(double value);
std::optional<int> asInteger(const QString& text);
// The decimal text a field gets for a computed value: up to 15 significant
// digits, no trailing zeros (2240 / 300 shows as 7.46666666666667).
QString numberText(double value);

}  // namespace tx
