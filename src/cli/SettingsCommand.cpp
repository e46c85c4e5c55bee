#include <QSettings>

#include "Cli.h"
#include "CliArgs.h"
#include "support/Registry.h"

namespace tx::cli {

namespace {
// The values the program reads, with their defaults, for listing.
const char* const kKnown[][2] = {
    {"Blend", "20"},      {"Distance", "6"},  {"Enhance", "100"},    {"Brightness", "0"},
    {"Greyscale", "0"},   {"Subdirs", "0"},   {"KeepSize", "1"},     {"Link", "1"},
    {"Lock", "1"},        {"Force", "0"},     {"Filter", "1"},       {"MatrixX", "3"},
    {"MatrixY", "3"},     {"Unit", "2"},      {"Dpi", "300"},        {"RenderNorm", "False"},
    {"AutoAnalyse", "0"}, {"MaxWidth", "5000"}, {"MaxHeight", "5000"}, {"JPGQuality", "90"},
    {"Check", "1"},       {"Prev", "1"},
};
}  // namespace

int runSettings(const QStringList& args, Io io) {
    Args a(args);
    if (!a.finish(io)) return Usage;
    const QStringList pos = a.positional();
    if (pos.size() > 2) {
        io.err << "tesselix-cli: settings takes at most NAME and VALUE\n";
        return Usage;
    }
    if (pos.isEmpty()) {
        for (const auto& kv : kKnown) {
            const QString name = QString::fromLatin1(kv[0]);
            io.out << name << "=" << readSetting(name, QString::fromLatin1(kv[1])) << "\n";
        }
        return Ok;
    }
    if (pos.size() == 1) {
        QString def;
        for (const auto& kv : kKnown)
            if (pos[0] == QLatin1String(kv[0])) def = QString::fromLatin1(kv[1]);
        io.out << readSetting(pos[0], def) << "\n";
        return Ok;
    }
    writeSetting(pos[0], pos[1]);
    return Ok;
}

}  // namespace tx::cli
