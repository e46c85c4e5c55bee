#include "viewer/DeleteTiles.h"

#include "library/TileLibrary.h"
#include "support/FileHelpers.h"
#include "support/Trash.h"

namespace tx::viewer {

TileDeletion deleteTiles(const QString& folder, const QStringList& names) {
    TileDeletion result;
    const QString base = AddBackslash(folder);
    for (const QString& name : names) {
        if (!isPlainName(name)) {
            result.failures.append(cannotWrite(name, QStringLiteral("not a plain file name")));
            continue;
        }
        QString error;
        if (discardFileEntry(base + name, &error))
            result.deleted.append(name);
        else
            result.failures.append(error);
    }
    if (!result.deleted.isEmpty()) deleteColourDatabases(folder);
    return result;
}

QString tileDeletionProblem(const TileDeletion& result) {
    if (result.failures.isEmpty()) return {};
    const QString head = result.failures.size() == 1 ? QStringLiteral("This tile could not be deleted:")
                                                     : QStringLiteral("These tiles could not be deleted:");
    return head + QStringLiteral("\r\n\r\n") + result.failures.join(QStringLiteral("\r\n"));
}

}  // namespace tx::viewer
