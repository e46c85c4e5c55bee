#pragma once
// Removing the user's files (tiles, whole libraries): they go to the desktop's
// trash where the platform has one, so a wrong click can be undone, and are
// deleted for good only where it has none. A failure leaves the entry where it was
// and says why; nothing is ever deleted for good because the trash refused it.

#include <QString>

namespace tx {

enum class Disposal { Trash, Delete };

// Trash on the desktops that have one (Linux/BSD desktops, Windows, macOS).
Disposal platformDisposal();

// Removes one directory entry that is not a folder (a link goes as a link). True
// when nothing has the name afterwards (also when nothing had it before); false
// with "Cannot write <name>: <reason>" in *error otherwise.
bool discardFileEntry(const QString& path, QString* error = nullptr, Disposal how = platformDisposal());

// Removes a folder with everything in it (a link to a folder goes as a link).
// False with the reason in *error, and the folder as it was, on failure.
bool discardFolder(const QString& folder, QString* error = nullptr, Disposal how = platformDisposal());

}  // namespace tx
