#include "mosaic/OutputFormat.h"

#include <QFileInfo>
#include <QStringList>
#include <array>

namespace tx {

namespace {

struct Extension {
    const char* suffix;
    OutputFormat format;
    bool writable;  // a writer exists
};

constexpr std::array kExtensions{
    Extension{"jpg", OutputFormat::Jpeg, true},
    Extension{"jpeg", OutputFormat::Jpeg, true},
    Extension{"bmp", OutputFormat::Bmp, true},
    Extension{"png", OutputFormat::Png, true},
    Extension{"html", OutputFormat::Zoomable, true},
};

}  // namespace

QString writableOutputExtensions() {
    QStringList names;
    for (const Extension& e : kExtensions)
        if (e.writable) names << QLatin1Char('.') + QLatin1String(e.suffix);
    const QString last = names.takeLast();
    return names.join(QLatin1String(", ")) + QLatin1String(" or ") + last;
}

std::optional<OutputFormat> outputFormatFor(const QString& path, QString* problem) {
    auto refuse = [&](const QString& why) -> std::optional<OutputFormat> {
        if (problem) *problem = why;
        return std::nullopt;
    };
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || dot == name.size() - 1)
        return refuse(QStringLiteral("The target file \"%1\" has no extension. Please name a %2 file.")
                          .arg(name, writableOutputExtensions()));
    const QString suffix = name.mid(dot + 1);
    for (const Extension& e : kExtensions)
        if (suffix.compare(QLatin1String(e.suffix), Qt::CaseInsensitive) == 0 && e.writable) return e.format;
    return refuse(QStringLiteral("A mosaic cannot be saved as a \".%1\" file. Please name a %2 file.")
                      .arg(suffix, writableOutputExtensions()));
}

}  // namespace tx
