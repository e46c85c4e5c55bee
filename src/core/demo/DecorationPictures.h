#pragma once
// The wizard's and the About box's decoration pictures, drawn by the program
// itself: Left.gif (the wizard's side picture), Top.gif (its header band) and
// Splash.gif (the About box). Deterministic, so regenerating them gives the same
// files. Drawing text needs a QGuiApplication.

#include <QImage>
#include <QString>

namespace tx {

inline constexpr int kLeftPictureWidth = 164;
inline constexpr int kLeftPictureHeight = 388;
inline constexpr int kTopPictureWidth = 503;
inline constexpr int kTopPictureHeight = 60;
inline constexpr int kSplashWidth = 440;
inline constexpr int kSplashHeight = 330;

QImage drawLeftPicture();
QImage drawTopPicture();
QImage drawSplashPicture();

// Writes the three pictures as GIF files into `folder`. False with a reason in
// *error when one could not be written.
bool writeDecorationPictures(const QString& folder, QString* error = nullptr);

}  // namespace tx
