#pragma once
// The copy of OpenSeadragon a zoomable mosaic takes with it. The build fetches it
// beside the executables (openseadragon/); an installed program has it in
// share/tesselix/openseadragon. TESSELIX_VIEWER names another folder.

#include <QString>
#include <QStringList>

namespace tx {

// Where the viewer may be, best first.
QStringList zoomViewerCandidates(const QString& override, const QString& programFolder);
// The first candidate holding openseadragon.min.js and its licence; empty when none does.
QString zoomViewerFolder();
// The message for a zoomable target when zoomViewerFolder() is empty.
QString zoomViewerMissingText();

// Copies the viewer folder (recursively) into `to`, which must not exist yet.
bool copyZoomViewer(const QString& from, const QString& to, QString* error);

}  // namespace tx
