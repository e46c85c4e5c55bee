#include "demo/DecorationPictures.h"

#include <QDir>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <cmath>
#include <cstdint>

#include "support/GifWriter.h"

namespace tx {

namespace {

// A small fixed-seed generator: the pictures must come out the same everywhere.
class Jitter {
public:
    explicit Jitter(std::uint32_t seed) : m_state(seed) {}
    int next(int range) {
        m_state = m_state * 1664525u + 1013904223u;
        return int((m_state >> 8) % std::uint32_t(range));
    }

private:
    std::uint32_t m_state;
};

QColor mix(const QColor& a, const QColor& b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t), float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

QColor jittered(const QColor& c, Jitter& j, int spread) {
    const int d = j.next(2 * spread + 1) - spread;
    return QColor(std::clamp(c.red() + d, 0, 255), std::clamp(c.green() + d, 0, 255), std::clamp(c.blue() + d, 0, 255));
}

// Tiles of `cell` pixels over `area`, coloured by `colourAt` (position in 0..1
// across and down), separated by one-pixel grout.
template <class F>
void paintTiles(QPainter& p, const QRect& area, int cell, const QColor& grout, Jitter& j, F colourAt) {
    for (int y = area.top(); y < area.bottom(); y += cell) {
        for (int x = area.left(); x < area.right(); x += cell) {
            const double u = double(x - area.left()) / std::max(1, area.width() - 1);
            const double v = double(y - area.top()) / std::max(1, area.height() - 1);
            const QColor c = colourAt(u, v);
            if (!c.isValid()) continue;
            p.fillRect(QRect(x, y, cell, cell), grout);
            p.fillRect(QRect(x, y, cell - 1, cell - 1), jittered(c, j, 14));
        }
    }
}

// Sunset colours from top (0) to bottom (1), the palette of the demo picture.
QColor sunset(double v) {
    const QColor sky(46, 78, 150), glow(238, 140, 70), sun(252, 210, 110);
    return v < 0.6 ? mix(sky, glow, v / 0.6) : mix(glow, sun, (v - 0.6) / 0.4);
}

}  // namespace

QImage drawLeftPicture() {
    QImage img(kLeftPictureWidth, kLeftPictureHeight, QImage::Format_RGB32);
    img.fill(QColor(20, 26, 44));
    QPainter p(&img);
    Jitter j(11);
    paintTiles(p, img.rect(), 12, QColor(20, 26, 44), j, [](double u, double v) {
        // A sun low on the horizon, seen through the tiles.
        const double dx = u - 0.55, dy = v - 0.62;
        const double glow = std::exp(-(dx * dx + dy * dy) * 9.0);
        return mix(sunset(v), QColor(255, 236, 170), glow * 0.8);
    });
    return img;
}

QImage drawTopPicture() {
    QImage img(kTopPictureWidth, kTopPictureHeight, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient ground(0, 0, kTopPictureWidth, 0);
    ground.setColorAt(0.0, QColor(255, 255, 255));
    ground.setColorAt(1.0, QColor(222, 230, 244));
    p.fillRect(img.rect(), ground);
    Jitter j(23);
    // Tiles gather towards the right, leaving room for the page title on the left.
    paintTiles(p, QRect(250, 4, kTopPictureWidth - 254, kTopPictureHeight - 8), 13, QColor(200, 208, 224), j,
               [&j](double u, double v) {
                   if (j.next(100) > int(u * 100)) return QColor();
                   return sunset(0.25 + 0.6 * v * 0.5 + 0.3 * u);
               });
    p.setPen(QColor(160, 170, 190));
    p.drawLine(0, kTopPictureHeight - 1, kTopPictureWidth - 1, kTopPictureHeight - 1);
    return img;
}

QImage drawSplashPicture() {
    QImage img(kSplashWidth, kSplashHeight, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient night(0, 0, 0, kSplashHeight);
    night.setColorAt(0.0, QColor(34, 44, 78));
    night.setColorAt(1.0, QColor(10, 12, 24));
    p.fillRect(img.rect(), night);

    // The upper part is a small mosaic of a sunset; the lower part stays dark for
    // the credits band (220, 220, 92 high) and the website link.
    Jitter j(37);
    paintTiles(p, QRect(0, 0, kSplashWidth, 196), 14, QColor(16, 20, 36), j, [](double u, double v) {
        const double dx = u - 0.7, dy = v - 0.85;
        const double glow = std::exp(-(dx * dx * 2.0 + dy * dy) * 6.0);
        return mix(sunset(v * 0.9), QColor(255, 240, 180), glow * 0.7);
    });
    QLinearGradient fade(0, 150, 0, 200);
    fade.setColorAt(0.0, QColor(10, 12, 24, 0));
    fade.setColorAt(1.0, QColor(22, 28, 50, 255));
    p.fillRect(QRect(0, 150, kSplashWidth, 50), fade);

    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(40);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(0, 0, 0, 120));
    p.drawText(QPoint(26, 252), QStringLiteral("Tesselix"));
    p.setPen(QColor(255, 255, 255));
    p.drawText(QPoint(24, 250), QStringLiteral("Tesselix"));
    QFont sub(QStringLiteral("DejaVu Sans"));
    sub.setPixelSize(13);
    p.setFont(sub);
    p.setPen(QColor(238, 170, 100));
    p.drawText(QPoint(26, 274), QStringLiteral("photo mosaic wizard"));
    return img;
}

bool writeDecorationPictures(const QString& folder, QString* error) {
    const QDir dir(folder);
    if (!dir.exists() && !QDir().mkpath(folder)) {
        if (error) *error = QStringLiteral("cannot make %1").arg(folder);
        return false;
    }
    const std::pair<const char*, QImage> pictures[] = {
        {"Left.gif", drawLeftPicture()},
        {"Top.gif", drawTopPicture()},
        {"Splash.gif", drawSplashPicture()},
    };
    for (const auto& [name, img] : pictures) {
        if (!writeGif(img, dir.filePath(QLatin1String(name)), error)) return false;
    }
    return true;
}

}  // namespace tx
