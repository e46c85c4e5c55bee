#include <QtTest>

#include "app/CenterForm.h"
#include "app/Form2.h"

class WizardWindowTest : public QObject {
    Q_OBJECT
private slots:
    void opensWithItsCaptionAndSize() {
        tx::gui::Form2 w;
        w.show();
        QCOMPARE(w.objectName(), QStringLiteral("Form2"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Tesselix"));
        QCOMPARE(w.size(), QSize(503, 388));
    }
    void centresOverTheReference() {
        QWidget ref;
        ref.setGeometry(100, 50, 501, 400);
        QWidget win;
        win.setGeometry(0, 0, 200, 100);
        tx::gui::CenterForm(&win, &ref);
        // Int((501 - 200) / 2) = 150
        QCOMPARE(win.frameGeometry().left() - ref.frameGeometry().left(), 150);
        QCOMPARE(win.frameGeometry().top() - ref.frameGeometry().top(), 150);
    }
};

QTEST_MAIN(WizardWindowTest)
#include "test_wizard_window.moc"
