#pragma once
// The program's own messages about what the user entered, spelled once. The
// wizard and the command line show them as they stand.

#include <QLatin1String>

namespace tx::msg {

inline constexpr QLatin1String kValidSourceImage{"Please select a valid source image."};
inline constexpr QLatin1String kValidPixelSize{"Please select a valid pixel size."};
inline constexpr QLatin1String kValidTileLibrary{"Please select a valid tile library."};
inline constexpr QLatin1String kValidNumberOfTiles{"Please select a valid number of tiles."};
inline constexpr QLatin1String kValueBetween1And12{"Please select a value between 1 and 12."};
inline constexpr QLatin1String kValidSourcePath{"Please select a valid source path."};
inline constexpr QLatin1String kNoImagesFound{"No images found."};
// The crop margin's message has its own wording.
inline constexpr QLatin1String kSelectValidPixelSize{"Select a valid pixel size."};
inline constexpr QLatin1String kValidName{"Please select a valid name."};
// Shown in place of the count of images found when the folder cannot be read.
inline constexpr QLatin1String kNotAValidPath{"- not a valid path -"};

}  // namespace tx::msg
