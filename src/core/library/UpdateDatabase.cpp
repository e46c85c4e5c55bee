#include "library/UpdateDatabase.h"

#include "library/ColourDatabase.h"
#include "library/TileLibrary.h"
#include "support/FileHelpers.h"
#include "support/Messages.h"
#include "task/EngineRun.h"

namespace tx {

JobResult UpdateDatabase(Task& task, const UpdateDatabaseJob& job) {
    return runEngine(task, [&] {
        if (!task.begin()) return;
        ColourDatabaseRequest request;
        request.libraryFolder = AddBackslash(job.libraryFolder);
        request.tiles = tileList(request.libraryFolder);
        request.tileCount = static_cast<int>(request.tiles.size());
        if (request.tileCount == 0) {
            task.stop(MessageIcon::Information, msg::kValidTileLibrary);
            return;
        }
        request.matrX = job.matrX;
        request.matrY = job.matrY;
        request.force = job.force;
        request.greyscale = job.greyscale;
        request.filter = job.filter;
        TileColourTable table;
        if (!LoadColourDatabase(task, request, table) || !task.running()) return;
        task.finish();
    });
}

}  // namespace tx
