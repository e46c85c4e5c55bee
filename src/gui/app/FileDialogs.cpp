#include "app/FileDialogs.h"

#include <QFileDialog>
#include <QFileInfo>

namespace tx::gui {

namespace {

FileDialogHook& hook() {
    static FileDialogHook h;
    return h;
}

}  // namespace

void setFileDialogHook(FileDialogHook h) { hook() = std::move(h); }

QString chooseFile(QWidget* parent, FileDialogKind kind, const QString& filter, const QString& preset,
                   const QString& folder) {
    if (hook()) return hook()(kind, preset);
    // A preset whose folder is gone opens `folder` with the preset's name.
    const QFileInfo given(preset);
    const bool placed = given.isAbsolute() && QFileInfo(given.absolutePath()).isDir();
    const QString start = preset.isEmpty() ? folder : placed || folder.isEmpty() ? preset : folder + given.fileName();
    // The old dialogs separate description and pattern with "|"; Qt wants "Description (*.x)" entries.
    QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString name = parts[i].section(QLatin1Char('('), 0, 0).trimmed();
        entries << name + QStringLiteral(" (") + QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    const QString qtFilter = entries.join(QStringLiteral(";;"));
    if (kind == FileDialogKind::Open) return QFileDialog::getOpenFileName(parent, QString(), start, qtFilter);
    // The wizard asks its own overwrite question.
    return QFileDialog::getSaveFileName(parent, QString(), start, qtFilter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

}  // namespace tx::gui
