#pragma once
// Whether a mosaic can be written under a path the user chose, and where the
// dialog that chooses one starts.

#include <QString>
#include <QStringList>
#include <optional>

namespace tx {

// Nothing when a mosaic can be written as `path`; otherwise the message for the user:
// no extension or one the program cannot write, a folder that does not exist or takes
// no files, a folder or device under the target's name. The write test beside the
// target never uses the name of an existing file.
std::optional<QString> mosaicTargetProblem(const QString& path);

// What a mosaic saved as `path` would replace: the target itself and, for a zoomable
// page, its NAME.dzi and NAME_files beside it; only those that exist.
QStringList existingTargetFiles(const QString& path);

// The folder the target dialog opens in: the target's own folder when it exists, else
// the source picture's, else `fallback`.
QString targetDialogFolder(const QString& target, const QString& source, const QString& fallback);

}  // namespace tx
