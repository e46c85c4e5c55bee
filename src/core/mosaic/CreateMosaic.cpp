#include "mosaic/MosaicJob.h"

namespace tx {

// placeholder until the engine lands
void CreateMosaic(Task&, const MosaicJob&) {}

}  // namespace tx
