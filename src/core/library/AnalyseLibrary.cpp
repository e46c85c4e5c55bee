#include "library/AnalyseLibrary.h"

namespace tx {

// placeholder until the engine lands
void AnalyseLibrary(Task&, const AnalyseLibraryJob&) {}

}  // namespace tx
