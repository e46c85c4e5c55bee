#pragma once
// Deleting a whole library: what its folder holds, the question that says so, and
// the deletion itself is discardFolder (to the trash where there is one).
// A library folder is expected to hold tiles, colour databases and their build
// records; anything else (a sub-folder, a document) is named before it goes.

#include <QString>
#include <QStringList>

#include "support/Trash.h"

namespace tx {

struct LibraryContents {
    int files = 0;       // every file in the folder, sub-folders included
    int tiles = 0;
    int databases = 0;   // colour databases and their build records
    QStringList others;  // names of everything else at the top; folders end in "/"
};
LibraryContents libraryContents(const QString& folder);

// "Do you really want to delete the library 'NAME'?" followed by what it holds,
// where it goes, and, when it holds them, the entries that are not library files.
QString deleteLibraryQuestion(const QString& name, const LibraryContents& contents,
                              Disposal how = platformDisposal());

}  // namespace tx
