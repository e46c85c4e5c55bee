#pragma once
// A refused option: the message to show and the field that gets the focus.

#include <QString>

namespace tx {

enum class OptionField {
    // mosaic
    SourceImage, CellsX, TileLibrary, NumberOfTiles, MatrixX, TileWidth,
    // library creation
    SourceFolder, TargetLibrary, CropMargin,
};

struct OptionProblem {
    QString message;
    OptionField field;
    bool operator==(const OptionProblem&) const = default;
};

}  // namespace tx
