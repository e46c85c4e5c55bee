#include "support/AboutCredits.h"

#include <QStringList>
#include <algorithm>

namespace tx {

QString versionLine(int major, int minor, int revision) {
    QString line = QStringLiteral("version %1.%2").arg(major).arg(minor);
    if (revision != 0) line += QStringLiteral(".%1").arg(revision);
    return line;
}

QString programVersionLine() {
    const QStringList parts = QStringLiteral(TX_VERSION).split(QLatin1Char('.'));
    auto part = [&](int i) { return i < parts.size() ? parts[i].toInt() : 0; };
    return versionLine(part(0), part(1), part(2));
}

QStringList creditsLines() {
    return {
        programVersionLine(),
        QString(),
        QStringLiteral("Tesselix"),
        QStringLiteral("photo mosaic wizard"),
        QString(),
        QStringLiteral("Programming"),
        QStringLiteral("quorvel Software"),
        QString(),
        QStringLiteral("Built with Qt 6"),
        QStringLiteral("and libjpeg-turbo"),
        QString(),
        QStringLiteral("Thanks to everyone who"),
        QStringLiteral("sent pictures and ideas."),
    };
}

std::optional<CreditsSlice> creditsSlice(int scrolled, int textHeight, CreditsBand band) {
    const int sourceRow = std::max(0, scrolled - band.height);
    if (sourceRow >= textHeight) return std::nullopt;
    const int rows = std::max(1, std::min({scrolled, band.height, textHeight - sourceRow}));
    return CreditsSlice{sourceRow, band.top + std::max(0, band.height - scrolled), rows};
}

}  // namespace tx
