// tesselix-cli settings [NAME [VALUE]]: lists, reads or writes a value of the
// program's settings key. Names are matched without regard to case; values are
// checked against the setting's type and range before anything is written.
#include "Cli.h"
#include "CliArgs.h"
#include "support/Registry.h"
#include "support/SettingsSchema.h"

namespace tx::cli {

namespace {

bool checkName(const QString& name, Io io) {
    if (!name.isEmpty() && isValidValueName(name)) return true;
    io.err << "tesselix-cli: a setting name must not be empty nor hold \"/\" or \"\\\"\n";
    return false;
}

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
        for (const SettingSpec& spec : settingSpecs()) io.out << spec.name << "=" << settingText(spec.id) << "\n";
        return Ok;
    }
    const QString name = pos[0];
    if (!checkName(name, io)) return Usage;
    const SettingSpec* spec = findSettingSpec(name);

    if (pos.size() == 1) {
        if (spec) {
            io.out << settingText(spec->id) << "\n";
            return Ok;
        }
        // The store may hold values the program no longer knows: show them as they are.
        if (const std::optional<QString> stored = findSetting(name)) {
            io.out << *stored << "\n";
            return Ok;
        }
        io.err << "tesselix-cli: unknown setting " << name << "\n";
        return Usage;
    }

    if (!spec) {
        io.err << "tesselix-cli: unknown setting " << name << " (`tesselix-cli settings` lists them)\n";
        return Usage;
    }
    QString why;
    const std::optional<QString> text = normalisedSettingText(spec->id, pos[1], &why);
    if (!text) {
        io.err << "tesselix-cli: " << why << "\n";
        return Usage;
    }
    if (!setSettingText(spec->id, *text)) {
        io.err << "tesselix-cli: the setting " << spec->name << " could not be written\n";
        return JobFailed;
    }
    return Ok;
}

}  // namespace tx::cli
