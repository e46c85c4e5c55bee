#include "Cli.h"

namespace tx::cli {

// placeholders until the library commands land
int runLibraryCreate(const QStringList&, Io io) { io.err << "not implemented yet\n"; return Usage; }
int runLibraryIndex(const QStringList&, Io io) { io.err << "not implemented yet\n"; return Usage; }
int runLibraryList(const QStringList&, Io io) { io.err << "not implemented yet\n"; return Usage; }
int runLibraryInfo(const QStringList&, Io io) { io.err << "not implemented yet\n"; return Usage; }
int runLibraryDelete(const QStringList&, Io io) { io.err << "not implemented yet\n"; return Usage; }

}  // namespace tx::cli
