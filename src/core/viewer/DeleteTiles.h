#pragma once
// Deleting the tiles the user marked in the tile viewer.

#include <QString>
#include <QStringList>

namespace tx::viewer {

struct TileDeletion {
    QStringList deleted;   // names gone from the folder
    QStringList failures;  // "Cannot write <name>: <reason>" for every name still there
};

// Removes <folder>/<name> for every name in order (to the trash where there is one). Names that are not plain file
// names are refused. When any tile went, the library's colour databases go too:
// they match tiles by position, and every later tile has moved up by one.
TileDeletion deleteTiles(const QString& folder, const QStringList& names);

// The message for the failures of a deletion; empty when there were none.
QString tileDeletionProblem(const TileDeletion& result);

}  // namespace tx::viewer
