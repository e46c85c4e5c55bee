#pragma once
// Which files of the user's folders become tiles, and the scan that finds them.

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace tx {

// A BMP, JPEG or GIF file by its extension (".bmp", ".jpg", ".jpeg", ".gif" in
// any case).
bool isSourcePicture(const QString& fileName);

// How a long scan reports and stops (both may be empty). Called on the scanning
// thread: `found` after each folder with the count so far, `cancelled` before each
// folder; a cancelled scan gives nullopt.
struct ScanControl {
    std::function<void(int found)> found;
    std::function<bool()> cancelled;
};

// The source pictures of a folder as paths relative to it: its own pictures by
// name (ignoring case), then, with `recurse`, those of each sub-folder in the
// same way ("x/a.jpg"). Linked sub-folders are followed, but each real folder is
// scanned once, so a link to "." or to "/" cannot multiply the list.
// Empty when the folder cannot be read.
std::optional<QStringList> scanSourceFolder(const QString& folder, bool recurse, const ScanControl& control = {});

// The count shown under the source folder: "1 image found", "n images found".
QString imagesFoundText(int count);

}  // namespace tx
