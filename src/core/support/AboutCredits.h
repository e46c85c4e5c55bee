#pragma once
// What the About box shows: its version line, the credits text and where the
// scrolling credits are cut into the splash picture's band.

#include <QLatin1String>
#include <QString>
#include <QStringList>
#include <optional>

namespace tx {

inline constexpr QLatin1String kWebsiteAddress{"https://quorvel.example/tesselix/"};

// "version 1.2", with ".revision" appended when the revision is not 0.
QString versionLine(int major, int minor, int revision);
// The version line of this build.
QString programVersionLine();
// The credits lines, the version line first.
QStringList creditsLines();

// The credits scroll up through a band of the splash picture. Text row 0 enters at
// the band's bottom once `scrolled` pixels have passed; the slice shown starts at
// text row `sourceRow`, stands at window row `y` and is `height` rows high.
struct CreditsBand {
    int left = 220;
    int top = 220;
    int height = 92;
};
struct CreditsSlice {
    int sourceRow = 0;
    int y = 0;
    int height = 0;
    bool operator==(const CreditsSlice&) const = default;
};
// Nothing once the whole text has left the band at its top.
std::optional<CreditsSlice> creditsSlice(int scrolled, int textHeight, CreditsBand band = {});

}  // namespace tx
