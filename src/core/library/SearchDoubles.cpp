#include "library/SearchDoubles.h"

namespace tx {

// placeholder until the engine lands
void SearchDoubles(Task&, const SearchDoublesJob&) {}

}  // namespace tx
