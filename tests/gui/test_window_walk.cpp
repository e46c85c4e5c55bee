// Walks every window and wizard page as a keyboard and screen-reader user meets
// them: mnemonics unique per page, every text readable through the accessibility
// interfaces, every text inside its control at the desktop's font sizes.

#include <QtTest>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>

#include "JobDispatch.h"
#include "WindowTestUtil.h"
#include "app/AboutDialog.h"
#include "app/FileDialogs.h"
#include "app/FolderDialog.h"
#include "app/LibraryNameDialog.h"
#include "app/MessageBoxes.h"
#include "app/PreferencesDialog.h"
#include "app/WizardWindow.h"
#include "library/DoublesDialog.h"
#include "support/Picture.h"
#include "support/PictureFile.h"
#include "task/TaskWindow.h"
#include "viewer/ViewerWindow.h"

using namespace tx;
using namespace tx::gui;
using txgui::child;
using txgui::press;

namespace {

using Check = std::function<void(QWidget* top, const QString& where)>;

QString plain(QString caption) {
    caption.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    caption.remove(QLatin1Char('&'));
    caption.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return caption;
}

QString nameOf(const QWidget* w) { return w->objectName().isEmpty() ? w->metaObject()->className() : w->objectName(); }

QList<QWidget*> visibleControls(QWidget* top) {
    QList<QWidget*> shown;
    for (QWidget* w : top->findChildren<QWidget*>())
        if (w->isVisibleTo(top) && w->window() == top) shown << w;
    return shown;
}

// The caption a control answers Alt+letter with, empty for none.
QString mnemonicCaption(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->buddy() ? l->text() : QString();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    return {};
}

void mnemonicsAreUnique(QWidget* top, const QString& where) {
    QMap<QString, QStringList> byKey;
    for (QWidget* w : visibleControls(top)) {
        const QKeySequence key = QKeySequence::mnemonic(mnemonicCaption(w));
        if (!key.isEmpty()) byKey[key.toString()] << nameOf(w);
    }
    for (auto it = byKey.cbegin(); it != byKey.cend(); ++it)
        QVERIFY2(it.value().size() == 1,
                 qPrintable(where + ": " + it.key() + " is shared by " + it.value().join(QStringLiteral(", "))));
}

void textsAreReadable(QWidget* top, const QString& where) {
    for (QWidget* w : visibleControls(top)) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        QVERIFY2(a, qPrintable(where + ": no accessible interface for " + nameOf(w)));
        const QString name = a->text(QAccessible::Name);
        auto* label = qobject_cast<QLabel*>(w);
        if (label && !label->text().isEmpty() && label->textFormat() != Qt::RichText) {
            QVERIFY2(name == plain(label->text()),
                     qPrintable(where + ": " + nameOf(w) + " reads \"" + name + "\" for \"" + label->text() + "\""));
        }
        // The scroll bars of lists and trees are the view's own.
        if (w->parentWidget() && w->parentWidget()->objectName().startsWith(QLatin1String("qt_"))) continue;
        const bool input = qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                           qobject_cast<QAbstractSlider*>(w) || qobject_cast<QAbstractButton*>(w);
        if (input && !qobject_cast<QLineEdit*>(w->parentWidget()) && !qobject_cast<QComboBox*>(w->parentWidget()))
            QVERIFY2(!name.trimmed().isEmpty(), qPrintable(where + ": " + nameOf(w) + " has no accessible name"));
    }
}

QString captionOf(QWidget* w) {
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    return {};
}

// Where a control draws its text, in the control's coordinates; empty when it has none.
QRect textArea(QWidget* w) {
    const QFontMetrics fm = w->fontMetrics();
    if (auto* l = qobject_cast<QLabel*>(w)) {
        if (l->text().isEmpty() || l->textFormat() == Qt::RichText) return {};
        const QRect box = l->contentsRect().adjusted(l->margin(), l->margin(), -l->margin(), -l->margin());
        const int flags = int(l->alignment()) | (l->wordWrap() ? int(Qt::TextWordWrap) : 0) | int(Qt::TextShowMnemonic);
        // A wrapped label breaks at its own width; measure it as tall as it needs.
        const QRect room = l->wordWrap() ? QRect(box.x(), box.y(), box.width(), 100000) : box;
        QRect need = fm.boundingRect(room, flags, l->text());
        if (l->wordWrap()) need.moveTop(box.y());
        return need;
    }
    auto* b = qobject_cast<QAbstractButton*>(w);
    if (!b || b->text().isEmpty()) return {};
    QStyleOptionButton opt;
    opt.initFrom(b);
    QStyle::SubElement contents = QStyle::SE_PushButtonContents;
    if (qobject_cast<QCheckBox*>(b)) contents = QStyle::SE_CheckBoxContents;
    if (qobject_cast<QRadioButton*>(b)) contents = QStyle::SE_RadioButtonContents;
    const QRect box = b->style()->subElementRect(contents, &opt, b);
    const QSize need(fm.horizontalAdvance(plain(b->text())), fm.height());
    const int left = contents == QStyle::SE_PushButtonContents ? box.center().x() - need.width() / 2 : box.x();
    return QRect(QPoint(left, box.center().y() - need.height() / 2), need);
}

// The box a control's text must stay inside.
QRect textRoom(QWidget* w) {
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->contentsRect().adjusted(l->margin(), l->margin(), -l->margin(), -l->margin());
    return w->rect();
}

bool isLeafControl(QWidget* w) {
    if (auto* l = qobject_cast<QLabel*>(w)) return !l->text().isEmpty() || !l->pixmap().isNull() || l->frameShape() != QFrame::NoFrame;
    return qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
           qobject_cast<QAbstractSlider*>(w) || (qobject_cast<QFrame*>(w) && static_cast<QFrame*>(w)->frameShape() != QFrame::NoFrame);
}

// No text is wider or taller than its control, leaves the window, or runs under a
// neighbouring control (one that lies wholly behind it, a backdrop, is allowed).
// Gathers every clipped text of the walk, so that one run names them all.
QStringList clipped;

void textsFit(QWidget* top, const QString& where) {
    const QList<QWidget*> shown = visibleControls(top);
    for (QWidget* w : shown) {
        QString problem;
        if (auto* g = qobject_cast<QGroupBox*>(w)) {
            if (g->minimumSizeHint().width() > g->width()) problem = QStringLiteral("title is wider than its box");
        } else {
            const QRect need = textArea(w);
            if (need.isEmpty()) continue;
            const QRect room = textRoom(w);
            const QRect inTop = need.translated(w->mapTo(top, QPoint(0, 0)));
            if (need.width() > room.width()) problem = QStringLiteral("needs %1 px width, has %2").arg(need.width()).arg(room.width());
            else if (need.height() > room.height()) problem = QStringLiteral("needs %1 px height, has %2").arg(need.height()).arg(room.height());
            else if (!top->rect().contains(inTop)) problem = QStringLiteral("runs out of the window");
            for (QWidget* other : shown) {
                if (!problem.isEmpty()) break;
                if (other == w || other->parentWidget() != w->parentWidget() || !isLeafControl(other)) continue;
                if (other->geometry().contains(w->geometry())) continue;
                if (need.translated(w->pos()).intersects(other->geometry()))
                    problem = QStringLiteral("runs under ") + nameOf(other);
            }
        }
        if (!problem.isEmpty())
            clipped << QStringLiteral("%1: %2 \"%3\" %4 at %5 pt")
                           .arg(where, nameOf(w), captionOf(w), problem)
                           .arg(w->font().pointSizeF());
    }
}

// Every input a user can change is a Tab stop; a step bar is worked from its field.
void inputsAreTabStops(QWidget* top, const QString& where) {
    for (QWidget* w : visibleControls(top)) {
        if (!w->isEnabled() || (w->parentWidget() && w->parentWidget()->objectName().startsWith(QLatin1String("qt_"))))
            continue;
        if (qobject_cast<QComboBox*>(w->parentWidget())) continue;  // a combo box's own line edit
        if (QString::fromLatin1(w->metaObject()->className()).endsWith(QLatin1String("StepSpinBar"))) continue;
        const bool input = qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                           qobject_cast<QAbstractSlider*>(w) || qobject_cast<QAbstractButton*>(w);
        if (input)
            QVERIFY2(w->focusPolicy() & Qt::TabFocus, qPrintable(where + ": " + nameOf(w) + " cannot be reached with Tab"));
    }
}

// Runs `open`, which shows a modal window, checks that window and closes it.
void checkModal(const std::function<void()>& open, const QString& where, const Check& check) {
    bool seen = false;
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [&, poll] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        poll->stop();
        seen = true;
        check(dialog, where);
        dialog->reject();
    });
    poll->start(5);
    open();
    delete poll;
    QVERIFY2(seen, qPrintable(where + " never opened"));
}

}  // namespace

class WindowWalkTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QFont m_startFont;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // Every wizard page and every window the wizard opens.
    void walk(const Check& check) {
        WizardWindow w;
        w.show();
        check(&w, QStringLiteral("welcome page"));
        if (QTest::currentTestFailed()) return;
        press(w, "Command2");
        child<QComboBox>(w, "photo_source")->setEditText(path("source.bmp"));
        auto* libraries = child<QComboBox>(w, "Combo1");
        libraries->setCurrentIndex(libraries->findText(QStringLiteral("Lib")));
        const char* mosaicPages[] = {"page 1", "page 11", "page 12", "page 13"};
        for (const char* page : mosaicPages) {
            check(&w, QString::fromLatin1(page));
            if (QTest::currentTestFailed()) return;
            if (w.page() != 13) press(w, "Command2");
        }
        for (int i = 0; i < 4; ++i) press(w, "Command4");
        QCOMPARE(w.page(), 0);
        press(w, "Option2");
        press(w, "Command2");
        QCOMPARE(w.page(), 2);
        child<QLineEdit>(w, "Text1")->setText(QStringLiteral("1.33333333333333"));
        check(&w, QStringLiteral("page 2"));
        if (QTest::currentTestFailed()) return;
        press(w, "Command4");
        press(w, "Option3");
        press(w, "Command2");
        QCOMPARE(w.page(), 3);
        auto* edit = child<QComboBox>(w, "Combo3");
        edit->setCurrentIndex(edit->findText(QStringLiteral("Lib")));
        check(&w, QStringLiteral("page 3"));
        if (QTest::currentTestFailed()) return;

        checkModal([&] { PreferencesDialog::showPreferences(&w); }, QStringLiteral("preferences"), check);
        checkModal([&] { AboutDialog::showAbout(&w, false); }, QStringLiteral("about box"), check);
        checkModal([&] { FolderDialog::chooseFolder(&w, path("home")); }, QStringLiteral("folder dialog"), check);
        checkModal([&] { LibraryNameDialog::askName(&w); }, QStringLiteral("name dialog"), check);
        checkModal([&] { TaskWindow::runJob(&w, JobRequest{QStringLiteral("Nothing"), {}}); },
                   QStringLiteral("task window"), check);
        DoublesQuestion question;
        question.fileI = QStringLiteral("1.bmp");
        question.fileJ = QStringLiteral("2.bmp");
        question.folder = path("home/Tiles/Lib/");
        question.d = 12.75;
        question.tileI = Picture(32, 32, rgb(10, 20, 30));
        question.tileJ = Picture(32, 32, rgb(12, 22, 30));
        checkModal([&] { DoublesDialog::ask(&w, question); }, QStringLiteral("doubles dialog"), check);
        const Picture source(64, 48, rgb(90, 120, 150));
        checkModal([&] { ViewerWindow::showPreview(&w, source, 8, 6, QSize(32, 32)); },
                   QStringLiteral("preview viewer"), check);
        checkModal([&] { ViewerWindow::showTiles(&w, path("home/Tiles/Lib/")); }, QStringLiteral("tile viewer"),
                   check);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_startFont = QApplication::font();
        qputenv("TESSELIX_HOME", path("home").toUtf8());
        QDir().mkpath(path("home/Tiles/Lib"));
        for (int i = 1; i <= 4; ++i)
            QVERIFY(saveBmp(Picture(32, 32, rgb(50 * i, 200 - 40 * i, 90)), path("home/Tiles/Lib/%1.bmp").arg(i)));
        QVERIFY(saveBmp(Picture(64, 48, rgb(90, 180, 90)), path("source.bmp")));
        setMessageBoxHook([](QWidget*, MessageIcon, const QString&, MessageButtons buttons) {
            return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
        });
        setFileDialogHook([](FileDialogKind, const QString&) { return QString(); });
    }
    void cleanup() { QApplication::setFont(m_startFont); }

    void mnemonicsAreUniqueOnEveryPage() { walk(mnemonicsAreUnique); }

    void everyTextIsReadableThroughAccessibility() { walk(textsAreReadable); }

    void everyInputIsATabStop() { walk(inputsAreTabStops); }

    void everyTextFitsItsControl_data() {
        QTest::addColumn<double>("points");
        QTest::newRow("desktop font") << 0.0;
        QTest::newRow("9 pt") << 9.0;
        QTest::newRow("11 pt") << 11.0;
        QTest::newRow("13 pt") << 13.0;
    }
    void everyTextFitsItsControl() {
        QFETCH(double, points);
        QFont f = m_startFont;
        if (points > 0) f.setPointSizeF(points);
        QApplication::setFont(f);
        clipped.clear();
        walk(textsFit);
        for (const QString& line : std::as_const(clipped)) qWarning("%s", qPrintable(line));
        QVERIFY2(clipped.isEmpty(), qPrintable(QStringLiteral("%1 texts clipped (listed above)").arg(clipped.size())));
    }

    void ratioFieldShowsItsWholeValue_data() {
        QTest::addColumn<double>("points");
        QTest::newRow("9 pt") << 9.0;
        QTest::newRow("11 pt") << 11.0;
    }
    void ratioFieldShowsItsWholeValue() {
        QFETCH(double, points);
        QFont f = m_startFont;
        f.setPointSizeF(points);
        QApplication::setFont(f);
        WizardWindow w;
        w.show();
        press(w, "Option2");
        press(w, "Command2");
        auto* ratio = child<QLineEdit>(w, "Text1");
        ratio->setText(QStringLiteral("1.33333333333333"));
        const int frame = ratio->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, ratio);
        QVERIFY(ratio->fontMetrics().horizontalAdvance(ratio->text()) + 2 * frame + 4 <= ratio->width());
        QVERIFY(child<QWidget>(w, "Label10")->x() >= ratio->geometry().right());
    }
};

QTEST_MAIN(WindowWalkTest)
#include "test_window_walk.moc"
