#pragma once
// The wizard's file dialogs. Tests install a hook in place of the real dialogs, so
// they can answer them without a modal loop.

#include <QString>
#include <functional>

class QWidget;

namespace tx::gui {

enum class FileDialogKind { Open, Save };

// The chosen path, or an empty string when the user cancelled. `preset` is the file
// name shown at first; `folder` the folder opened when the preset has none.
QString chooseFile(QWidget* parent, FileDialogKind kind, const QString& filter, const QString& preset,
                   const QString& folder);

using FileDialogHook = std::function<QString(FileDialogKind, const QString& preset)>;
// Pass an empty function to restore the real dialogs.
void setFileDialogHook(FileDialogHook hook);

}  // namespace tx::gui
