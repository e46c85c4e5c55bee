#pragma once
// Where the program's data live. Returned folders end in "/".
//
// The application folder holds the libraries (<home>/Tiles/) and the demo:
//  - TESSELIX_HOME when set (tests, the demo script, a user's own choice);
//  - else the executable's folder when it is a portable copy: a writable folder
//    that already has a Tiles folder;
//  - else the user's data folder ($XDG_DATA_HOME/Tesselix on Linux,
//    %LOCALAPPDATA%/Tesselix on Windows), so an installed program never writes
//    into its own folders.
// The decoration pictures are read from the first of <TESSELIX_HOME>/Gfx, the
// executable's Gfx folder (build tree, portable copy) and the installed
// share/tesselix/Gfx beside bin/ that exists.

#include <QString>
#include <QStringList>

namespace tx {

// What the choice of folders depends on, gathered once so it can be tested.
struct FolderFacts {
    QString homeOverride;      // TESSELIX_HOME; empty when unset
    QString programFolder;     // the executable's folder, ending in "/"
    bool programWritable = false;
    bool programHasTiles = false;
    QString userDataFolder;    // the user's data folder for Tesselix, ending in "/"
};

FolderFacts currentFolderFacts();
bool isPortableCopy(const FolderFacts& facts);
QString chooseApplicationFolder(const FolderFacts& facts);
// Where the pictures may be, best first.
QStringList gfxCandidates(const FolderFacts& facts);

QString programFolder();
QString applicationFolder();
QString tilesRoot();
QString gfxFolder();

}  // namespace tx
