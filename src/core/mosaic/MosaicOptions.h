#pragma once
// Size arithmetic of the mosaic options, as the wizard does it when a source is
// chosen or the cells across change. Pure functions, shared by the wizard and the CLI.
//
// Picture sizes are single-precision values and the quotients are taken in single
// precision, as the wizard always had them; Int() rounds down, "as integer" rounds
// half to even. A result that cannot be formed (a size of 0, a value outside the
// 16-bit range) is reported as 0, which every caller refuses as "no valid size".

namespace tx {

// Cells across proposed for a source: sqrt(width / height * 3600) rounded half to
// even, so a square source gets 60.
int proposedCellsX(double sourceWidth, double sourceHeight);

// Cells down for `cellsX` cells across.
// With the link (the default, "Link source image size with tile size"):
//   Int(cellsX / ((sourceWidth / tileWidth) / (sourceHeight / tileHeight))),
// so that each cell covers a part of the source with the tiles' proportions.
// Without it: Int(cellsX / (sourceWidth / sourceHeight)).
// tileWidth and tileHeight are the library's tile size.
int linkedCellsY(int cellsX, double sourceWidth, double sourceHeight, int tileWidth, int tileHeight,
                 bool link = true);

}  // namespace tx
