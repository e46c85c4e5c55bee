#include "app/AboutDialog.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStringList>

#include "app/ExternalLinks.h"
#include "support/AboutCredits.h"
#include "support/AppPaths.h"

namespace tx::gui {

namespace {

// Used when the splash picture is missing, so the box still has its band.
constexpr QSize kFallbackSplashSize(420, 330);

QImage loadSplash() {
    QImageReader reader(gfxFolder() + QStringLiteral("Splash.gif"));
    QImage img = reader.read();
    if (img.isNull() || img.width() > 4000 || img.height() > 4000) {
        img = QImage(kFallbackSplashSize, QImage::Format_RGB32);
        img.fill(QColor(24, 32, 48));
    }
    return img.convertToFormat(QImage::Format_RGB32);
}

QFont creditsFont() {
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(8.25);
    font.setBold(true);
    // Hard edges: the mask and the text must cover exactly the same pixels.
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

}  // namespace

void AboutDialog::showAbout(QWidget* wizard, bool intro) {
    AboutDialog box(intro, wizard);
    box.exec();
}

AboutDialog::AboutDialog(bool intro, QWidget* parent) : QDialog(parent), m_intro(intro) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("About "));

    m_bg = loadSplash();
    m_buffer = m_bg.copy();
    setFixedSize(m_bg.size());

    m_credits = new QLabel(this);
    m_credits->setObjectName(QStringLiteral("Label2"));
    m_credits->setFont(creditsFont());
    m_credits->hide();

    m_link = new QLabel(QString(kWebsiteAddress), this);
    m_link->setObjectName(QStringLiteral("Label3"));
    m_link->setToolTip(QStringLiteral("quorvel Software Website"));
    m_link->setAccessibleDescription(QStringLiteral("quorvel Software Website"));  // the name is the address shown
    m_link->setStyleSheet(QStringLiteral("color: #ffffff; text-decoration: underline; background: transparent;"));
    m_link->setCursor(Qt::PointingHandCursor);
    m_link->adjustSize();
    // The link sits on the fixed picture left of the credits band: a large desktop
    // font is made smaller until the address fits there.
    const int room = CreditsBand{}.left - 12 - 6;
    for (QFont f = m_link->font(); m_link->width() > room && f.pointSizeF() > 6.0;) {
        f.setPointSizeF(f.pointSizeF() - 0.5);
        m_link->setFont(f);
        m_link->adjustSize();
    }
    m_link->move(12, height() - m_link->height() - 10);
    m_link->installEventFilter(this);
    m_link->setVisible(!intro);

    composeCredits();
    drawFrame();

    m_startDelay.setInterval(1000);
    m_introEnd.setInterval(2000);
    m_introEnd.setSingleShot(true);
    m_scroll.setInterval(80);
    connect(&m_startDelay, &QTimer::timeout, this, [this] {
        if (m_intro) return;
        m_startDelay.stop();
        m_scroll.start();
    });
    connect(&m_introEnd, &QTimer::timeout, this, &QDialog::accept);
    connect(&m_scroll, &QTimer::timeout, this, &AboutDialog::scrollStep);
}

void AboutDialog::composeCredits() {
    const QStringList lines = creditsLines();
    m_credits->setText(lines.join(QLatin1Char('\n')));
    const QFontMetrics fm(m_credits->font());
    int width = 0;
    for (const QString& line : lines) width = std::max(width, fm.horizontalAdvance(line));
    const int lineHeight = fm.lineSpacing();
    const int height = lineHeight * int(lines.size());

    m_credText = QImage(width + 10, height, QImage::Format_RGB32);
    m_credMask = QImage(m_credText.size(), QImage::Format_RGB32);
    m_credText.fill(Qt::black);
    m_credMask.fill(Qt::white);
    for (auto [img, ink] : {std::pair{&m_credText, QColor(Qt::white)}, std::pair{&m_credMask, QColor(Qt::black)}}) {
        QPainter p(img);
        p.setFont(m_credits->font());
        p.setPen(ink);
        for (int i = 0; i < lines.size(); ++i) p.drawText(0, i * lineHeight + fm.ascent(), lines[i]);
    }
    // Four blank lines have already scrolled, so the text starts low in the band.
    m_startScroll = 4 * lineHeight;
    m_scrolled = m_startScroll;
}

void AboutDialog::drawFrame() {
    m_buffer = m_bg.copy();
    const std::optional<CreditsSlice> slice = creditsSlice(m_scrolled, m_credText.height());
    if (!slice) return;
    const CreditsBand band;
    const QRect source(0, slice->sourceRow, m_credText.width(), slice->height);
    const QPoint target(band.left, slice->y);
    QPainter p(&m_buffer);
    p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    p.drawImage(target, m_credMask, source);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.drawImage(target, m_credText, source);
}

void AboutDialog::scrollStep() {
    if (!m_running) return;
    drawFrame();
    update();
    ++m_scrolled;
}

void AboutDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
    m_scrolled = m_startScroll;
    drawFrame();
    m_running = true;
    m_startDelay.start();
    if (m_intro) m_introEnd.start();
}

void AboutDialog::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, m_buffer);
}

void AboutDialog::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (!m_intro) accept();
}

void AboutDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape) {
        QDialog::keyPressEvent(event);
        return;
    }
    event->accept();
    if (m_intro) return;
    m_running = false;
    reject();
}

bool AboutDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_link && event->type() == QEvent::MouseButtonPress) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            openWithDesktop(this, QUrl(QString(kWebsiteAddress)));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace tx::gui
