#include "Cli.h"

namespace tx::cli {

// placeholders until the analysis commands land
int runLibraryAnalyse(const QStringList&, Io io) { io.err << "not implemented yet\n"; return Usage; }
int runLibraryDoubles(const QStringList&, Io io) { io.err << "not implemented yet\n"; return Usage; }

}  // namespace tx::cli
