#include "viewer/MagnifierCursors.h"

#include <QPainter>
#include <QPixmap>

namespace tx::gui {

namespace {

constexpr QPoint kLensCentre{12, 12};

QPixmap magnifier(bool plus) {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    // handle: a white edge around a black bar so it shows on dark pictures too
    p.setPen(QPen(Qt::white, 7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(19, 19), QPointF(28, 28));
    p.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(19, 19), QPointF(28, 28));
    // lens
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(QPointF(kLensCentre), 8.5, 8.5);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRect(kLensCentre.x() - 4, kLensCentre.y() - 1, 9, 2);
    if (plus) p.drawRect(kLensCentre.x() - 1, kLensCentre.y() - 4, 2, 9);
    return pm;
}

}  // namespace

QCursor zoomInCursor() { return QCursor(magnifier(true), kLensCentre.x(), kLensCentre.y()); }
QCursor zoomOutCursor() { return QCursor(magnifier(false), kLensCentre.x(), kLensCentre.y()); }

}  // namespace tx::gui
