#include "library/CreateLibrary.h"

namespace tx {

// placeholder until the engine lands
void CreateLibrary(Task&, const CreateLibraryJob&) {}

}  // namespace tx
