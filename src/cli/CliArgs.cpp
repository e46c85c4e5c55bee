#include "CliArgs.h"

#include <QFileInfo>

#include "library/TileLibrary.h"
#include "support/FileHelpers.h"

namespace tx::cli {

bool Args::flag(const QString& name) {
    const QString key = QStringLiteral("--") + name;
    const bool found = m_args.removeAll(key) > 0;
    return found;
}

std::optional<QString> Args::option(const QString& name) {
    const QString key = QStringLiteral("--") + name;
    for (int k = 0; k < m_args.size(); ++k) {
        if (m_args[k] == key) {
            if (k + 1 >= m_args.size()) {
                fail(QStringLiteral("option %1 needs a value").arg(key));
                m_args.removeAt(k);
                return std::nullopt;
            }
            QString value = m_args[k + 1];
            m_args.remove(k, 2);
            return value;
        }
        if (m_args[k].startsWith(key + QLatin1Char('='))) {
            QString value = m_args[k].mid(key.size() + 1);
            m_args.removeAt(k);
            return value;
        }
    }
    return std::nullopt;
}

std::optional<int> Args::intOption(const QString& name, int lo, int hi) {
    auto text = option(name);
    if (!text) return std::nullopt;
    bool ok = false;
    const int v = text->toInt(&ok);
    if (!ok || v < lo || v > hi) {
        fail(QStringLiteral("--%1 takes a whole number from %2 to %3").arg(name).arg(lo).arg(hi));
        return std::nullopt;
    }
    return v;
}

std::optional<std::pair<int, int>> parseSize(const QString& text, int lo, int hi) {
    const QStringList parts = text.toLower().split(QLatin1Char('x'));
    if (parts.size() != 2) return std::nullopt;
    bool ok1 = false, ok2 = false;
    const int a = parts[0].toInt(&ok1);
    const int b = parts[1].toInt(&ok2);
    if (!ok1 || !ok2 || a < lo || a > hi || b < lo || b > hi) return std::nullopt;
    return std::make_pair(a, b);
}

std::optional<std::pair<int, int>> Args::sizeOption(const QString& name, int lo, int hi) {
    auto text = option(name);
    if (!text) return std::nullopt;
    auto size = parseSize(*text, lo, hi);
    if (!size) fail(QStringLiteral("--%1 takes WxH, each a whole number from %2 to %3").arg(name).arg(lo).arg(hi));
    return size;
}

QStringList Args::positional() const {
    QStringList out;
    for (const QString& a : m_args)
        if (!a.startsWith(QLatin1String("--"))) out << a;
    return out;
}

bool Args::finish(Io io) {
    for (const QString& a : m_args)
        if (a.startsWith(QLatin1String("--"))) fail(QStringLiteral("unknown option %1").arg(a));
    if (m_error.isEmpty()) return true;
    io.err << "tesselix-cli: " << m_error << "\n";
    io.err.flush();
    return false;
}

std::optional<QString> existingLibraryName(const QStringList& positional, const char* command, Io io, int& rc) {
    if (positional.size() != 1) {
        io.err << "tesselix-cli: library " << command << " takes one library NAME\n";
        rc = Usage;
        return std::nullopt;
    }
    const QString name = positional.first();
    if (!isPlainName(name)) {
        io.err << "Please select a valid name.\n";
        rc = Usage;
        return std::nullopt;
    }
    if (!QFileInfo(libraryFolder(name)).isDir()) {
        io.err << "The library '" << name << "' does not exist.\n";
        rc = JobFailed;
        return std::nullopt;
    }
    return name;
}

}  // namespace tx::cli
