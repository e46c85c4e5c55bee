#pragma once
// The About box, also the intro splash at start: the splash picture with white
// credits scrolling up through a band of it, and the website link.

#include <QDialog>
#include <QImage>
#include <QTimer>

class QLabel;

namespace tx::gui {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    // Modal over `wizard`; as the intro it closes itself after two seconds.
    static void showAbout(QWidget* wizard, bool intro);

    // The splash picture comes from <home>/Gfx/Splash.gif. Timers start on show.
    explicit AboutDialog(bool intro, QWidget* parent = nullptr);

    // One step of the credits (every 80 ms once scrolling): draws the frame and
    // moves the text up by one row.
    void scrollStep();
    // What the window shows, and the splash picture it is drawn over.
    const QImage& frame() const { return m_buffer; }
    const QImage& splash() const { return m_bg; }
    int scrollPosition() const { return m_scrolled; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void composeCredits();
    void drawFrame();

    bool m_intro;
    bool m_running = true;
    int m_scrolled = 0;      // rows of text scrolled so far
    int m_startScroll = 0;   // where each opening starts
    QImage m_bg;             // bg: the splash picture
    QImage m_buffer;         // buffer: the frame shown
    QImage m_credText;       // credtext: white text on black
    QImage m_credMask;       // credmask: black text on white
    QLabel* m_credits = nullptr;  // Label2, hidden: composes and measures the text
    QLabel* m_link = nullptr;     // Label3
    QTimer m_startDelay;     // Timer2
    QTimer m_introEnd;       // Timer3
    QTimer m_scroll;         // Timer4
};

}  // namespace tx::gui
