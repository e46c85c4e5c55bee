#include "mosaic/MosaicDefaults.h"

namespace tx {

QList<QPair<QString, QString>> mosaicSettingDefaults() {
    using namespace MosaicDefaults;
    const auto n = [](int v) { return QString::number(v); };
    const auto check = [](bool v) { return v ? QStringLiteral("1") : QStringLiteral("0"); };
    return {
        {QStringLiteral("Blend"), n(kBlend)},
        {QStringLiteral("Distance"), n(kDistance)},
        {QStringLiteral("Enhance"), n(kSaturation)},
        {QStringLiteral("Brightness"), n(kBrightness)},
        {QStringLiteral("Greyscale"), check(kGreyscale)},
        {QStringLiteral("Subdirs"), check(kRecurseSubfolders)},
        {QStringLiteral("KeepSize"), check(kKeepSize)},
        {QStringLiteral("Link"), check(kLink)},
        {QStringLiteral("Lock"), check(kLockMatrix)},
        {QStringLiteral("Force"), check(kForceNewDatabase)},
        {QStringLiteral("Filter"), check(kFilter)},
        {QStringLiteral("MatrixX"), n(kMatrixX)},
        {QStringLiteral("MatrixY"), n(kMatrixY)},
        {QStringLiteral("Unit"), n(static_cast<int>(kUnit))},
        {QStringLiteral("Dpi"), n(kDpi)},
        {QStringLiteral("RenderNorm"), kSmartRendering ? QStringLiteral("False") : QStringLiteral("True")},
    };
}

}  // namespace tx
