#pragma once
// Default values and ranges of every mosaic option, in one place: the job's
// initialisers, the command line and the wizard all start from these.


namespace tx {

enum class SizeUnit { Inch = 0, Cm = 1, Pixels = 2 };  // list order of the unit box

namespace MosaicDefaults {

inline constexpr int kCellsAcrossSquare = 60;  // proposed for a square source
inline constexpr int kTileWidth = 32;          // before a library is chosen
inline constexpr int kTileHeight = 32;

inline constexpr int kMatrixX = 3, kMatrixY = 3;
inline constexpr int kMatrixMin = 1, kMatrixMax = 12;
inline constexpr int kDistance = 6;
inline constexpr int kDistanceMin = 0, kDistanceMax = 50;
inline constexpr int kSaturation = 100;  // percent; 100 leaves the source unchanged
inline constexpr int kSaturationMin = 0, kSaturationMax = 200;
inline constexpr int kBrightness = 0;
inline constexpr int kBrightnessMin = -100, kBrightnessMax = 100;
inline constexpr int kBlend = 20;  // colour correction, percent
inline constexpr int kBlendMin = 0, kBlendMax = 100;

inline constexpr bool kGreyscale = false;
inline constexpr bool kSmartRendering = true;  // stored as RenderNorm = "False"
inline constexpr bool kFilter = true;
inline constexpr bool kForceNewDatabase = false;
inline constexpr bool kKeepSize = true;   // "Keep original size (default)"
inline constexpr bool kLink = true;       // "Link source image size with tile size"
inline constexpr bool kProportionsOnly = true;  // "Maintain source image proportions only"
inline constexpr bool kLockMatrix = true;
inline constexpr bool kKeepProportions = true;
inline constexpr bool kUseAllTiles = true;
inline constexpr bool kRecurseSubfolders = false;
inline constexpr SizeUnit kUnit = SizeUnit::Pixels;
inline constexpr int kDpi = 300;

// The 16-bit count limit: the most cells a mosaic has.
inline constexpr int kMostCells = 32767;

}  // namespace MosaicDefaults

}  // namespace tx
