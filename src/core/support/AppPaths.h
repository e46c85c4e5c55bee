#pragma once
// Where the program's data live: the application folder is the folder of the
// executable, or TESSELIX_HOME when set. Libraries live in <home>/Tiles/,
// decoration pictures in <home>/Gfx/. Returned folders end in "/".

#include <QString>

namespace tx {

QString applicationFolder();
QString tilesRoot();
QString gfxFolder();

}  // namespace tx
