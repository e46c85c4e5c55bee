#include "Cli.h"

namespace tx::cli {

// placeholders until the mosaic commands land
int runMosaic(const QStringList&, Io io) { io.err << "not implemented yet\n"; return Usage; }
int runDemo(const QStringList&, Io io) { io.err << "not implemented yet\n"; return Usage; }

}  // namespace tx::cli
