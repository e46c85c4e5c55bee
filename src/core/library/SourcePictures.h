#pragma once
// Which files of the user's folders become tiles, and the scan that finds them.

#include <QString>
#include <QStringList>
#include <optional>

namespace tx {

// A BMP, JPEG or GIF file by its extension (".bmp", ".jpg", ".jpeg", ".gif" in
// any case).
bool isSourcePicture(const QString& fileName);

// The source pictures of a folder as paths relative to it: its own pictures by
// name (ignoring case), then, with `recurse`, those of each sub-folder in the
// same way ("x/a.jpg"). Directory links are never followed and each real folder
// is scanned once, so a link to "." or to "/" cannot multiply or flood the list.
// Empty when the folder cannot be read.
std::optional<QStringList> scanSourceFolder(const QString& folder, bool recurse);

// The count shown under the source folder: "1 image found", "n images found".
QString imagesFoundText(int count);

}  // namespace tx
