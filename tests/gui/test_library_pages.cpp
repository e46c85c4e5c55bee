// The wizard's library pages: the checks of "&Start!" with their messages and focus,
// the folder scan, the size coupling, the name dialog, deleting a library, the
// library properties, and the library and analysis jobs run through the task window.
#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>

#include "../TrashedFiles.h"
#include "WindowTestUtil.h"
#include "app/WizardWindow.h"
#include "app/FolderDialog.h"
#include "app/LibraryNameDialog.h"
#include "app/LibraryPages.h"
#include "app/MessageBoxes.h"
#include "app/WizardPictures.h"
#include "library/TileLibrary.h"
#include "support/AppPaths.h"
#include "support/FileHelpers.h"
#include "support/Picture.h"
#include "support/PictureFile.h"
#include "support/SettingsSchema.h"

using namespace tx;
using namespace tx::gui;

namespace {

struct Shown {
    MessageIcon icon;
    QString text;
};

using txgui::child;
using txgui::press;
using txgui::textOf;
using txgui::type;

QString labelOf(QWidget& w, const char* name) { return child<QLabel>(w, name)->text(); }
bool enabled(QWidget& w, const char* name) { return child(w, name)->isEnabled(); }

void choose(QWidget& w, const char* combo, const QString& name) {
    auto* c = child<QComboBox>(w, combo);
    const int i = c->findText(name);
    if (i < 0) qFatal("no library %s", qPrintable(name));
    c->setCurrentIndex(i);
}

// Clicks `button` of the task window whenever it shows `caption`.
struct TaskWindowCloser {
    QTimer timer;
    int clicks = 0;
    explicit TaskWindowCloser(const QString& caption) {
        QObject::connect(&timer, &QTimer::timeout, [this, caption] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                auto* button = top->findChild<QPushButton*>("Command1");
                if (top->objectName() == "Form1" && top->isVisible() && button && button->text() == caption) {
                    ++clicks;
                    button->click();
                }
            }
        });
        timer.start(30);
    }
};

// Clicks `button` of every visible window named `form`.
struct Clicker {
    QTimer timer;
    int clicks = 0;
    Clicker(const QString& form, const QString& button) {
        QObject::connect(&timer, &QTimer::timeout, [this, form, button] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->objectName() == form && top->isVisible())
                    if (auto* b = top->findChild<QPushButton*>(button)) {
                        ++clicks;
                        b->click();
                    }
        });
        timer.start(30);
    }
};

// Alt+key on the active window, as a user reaches a control by its mnemonic. The
// button is pressed a moment later (animated), so wait for what it does.
void alt(QWidget& w, Qt::Key key) {
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, key, Qt::AltModifier);
}

// Slows the folder scan down to 20 ms a folder while it lives.
struct SlowScan {
    std::atomic<int> folders{0};
    SlowScan() {
        NewLibraryPage::setScanHook([this] {
            ++folders;
            QThread::msleep(20);
        });
    }
    ~SlowScan() { NewLibraryPage::setScanHook({}); }
};

}  // namespace

class LibraryPagesTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QList<Shown> m_shown;
    QList<MessageAnswer> m_answers;  // answers to the next questions; Yes when empty

    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString tiles(const QString& library) const { return path("home/Tiles/" + library); }

    void makeFile(const QString& file, int w, int h, Colour c) {
        QDir().mkpath(QFileInfo(file).absolutePath());
        if (file.endsWith(".bmp"))
            QVERIFY(saveBmp(Picture(w, h, c), file));
        else
            QVERIFY(toImage(Picture(w, h, c)).save(file, "JPG"));
    }

    void enterPage(WizardWindow& w, const char* option, int page) {
        w.show();
        press(w, option);
        press(w, "Command2");
        QCOMPARE(w.page(), page);
        m_shown.clear();
    }

    // Page 2 with a readable source, an empty target library and free sizes.
    void readyToStart(WizardWindow& w) {
        enterPage(w, "Option2", 2);
        type(w, "convert_source", path("pics"));
        QTRY_COMPARE(labelOf(w, "convert_found"), QStringLiteral("2 images found"));
        choose(w, "Combo2", "Empty");
        press(w, "Check1");  // width and height independent
        QVERIFY(!child<QCheckBox>(w, "Check1")->isChecked());
    }

    // A tree of 40 folders of two pictures each, scanned slowly (20 ms a folder).
    QString slowTree() {
        const QString root = path("tree");
        if (!QDir(root).exists())
            for (int i = 0; i < 40; ++i)
                for (const char* name : {"a.bmp", "b.bmp"}) {
                    QDir().mkpath(root + QString("/%1").arg(i));
                    QFile f(root + QString("/%1/").arg(i) + name);
                    if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write the tree");
                }
        return root;
    }
private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        qputenv("TESSELIX_HOME", path("home").toUtf8());
        qputenv("TESSELIX_SETTINGS", path("settings.ini").toUtf8());
        qputenv("XDG_DATA_HOME", path("data").toUtf8());  // the desktop's trash
        // Brightness sums 0, 255, 510, 765.
        for (int i = 0; i < 4; ++i) makeFile(tiles("Grey") + QString("/%1.bmp").arg(i + 1), 32, 32, rgb(85 * i, 85 * i, 85 * i));
        makeFile(tiles("Wide") + "/1.jpg", 40, 30, rgb(200, 10, 10));
        makeFile(tiles("Wide") + "/2.jpeg", 40, 30, rgb(10, 200, 10));
        makeFile(tiles("Mixed") + "/1.jpg", 32, 32, rgb(1, 2, 3));
        makeFile(tiles("Mixed") + "/2.bmp", 32, 32, rgb(1, 2, 3));
        makeFile(tiles("Mixed") + "/3.jpg", 32, 32, rgb(1, 2, 3));
        QDir().mkpath(tiles("Empty"));
        makeFile(path("pics/a.bmp"), 64, 48, rgb(250, 0, 0));
        makeFile(path("pics/b.jpg"), 48, 64, rgb(0, 250, 0));
        makeFile(path("pics/x/c.bmp"), 40, 40, rgb(0, 0, 250));
        QDir().mkpath(path("nopics"));
        QFile(path("nopics/readme.txt")).open(QIODevice::WriteOnly);
        makeFile(path("one/only.gif.bmp"), 8, 8, rgb(9, 9, 9));
        setMessageBoxHook([this](QWidget*, MessageIcon icon, const QString& text, MessageButtons buttons) {
            m_shown.append({icon, text});
            if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
            return m_answers.isEmpty() ? MessageAnswer::Yes : m_answers.takeFirst();
        });
    }

    void init() {
        QFile::remove(path("settings.ini"));
        m_shown.clear();
        m_answers.clear();
    }

    void scanCountsTheImagesFound() {
        WizardWindow w;
        enterPage(w, "Option2", 2);
        QCOMPARE(labelOf(w, "convert_found"), QStringLiteral("- not a valid path -"));
        const struct {
            QString folder;
            bool recurse;
            QString found;
        } cases[] = {
            {path("pics"), false, "2 images found"},
            {path("pics"), true, "3 images found"},
            {path("one"), false, "1 image found"},
            {path("nopics"), true, "0 images found"},
            {path("missing"), false, "- not a valid path -"},
            {QString(), false, "- not a valid path -"},
        };
        for (const auto& c : cases) {
            auto* recurse = child<QCheckBox>(w, "Check7");
            if (recurse->isChecked() != c.recurse) recurse->click();
            type(w, "convert_source", c.folder);
            QTRY_COMPARE(labelOf(w, "convert_found"), c.found);
        }
    }

    void scanCountGrowsWhileItRuns() {
        SlowScan slow;
        WizardWindow w;
        enterPage(w, "Option2", 2);
        child<QCheckBox>(w, "Check7")->click();
        type(w, "convert_source", slowTree());
        // Part-way: a count with "..." while the scan goes on, and the window answers.
        QTRY_VERIFY_WITH_TIMEOUT(labelOf(w, "convert_found").endsWith("..."), 5000);
        const QString partial = labelOf(w, "convert_found");
        QVERIFY2(partial != "80 images found...", qPrintable(partial));
        QTRY_COMPARE_WITH_TIMEOUT(labelOf(w, "convert_found"), QStringLiteral("80 images found"), 10000);
        QCOMPARE(child<NewLibraryPage>(w, "Picture1_2")->foundImages().size(), 80);
    }

    void newPathCancelsTheRunningScan() {
        SlowScan slow;
        WizardWindow w;
        enterPage(w, "Option2", 2);
        child<QCheckBox>(w, "Check7")->click();
        type(w, "convert_source", slowTree());
        QTRY_VERIFY_WITH_TIMEOUT(slow.folders > 2, 5000);
        type(w, "convert_source", path("pics"));
        QTRY_COMPARE_WITH_TIMEOUT(labelOf(w, "convert_found"), QStringLiteral("3 images found"), 5000);
        const int atSwitch = slow.folders;
        QTest::qWait(300);
        // The old scan stopped at its next folder and its count never comes back.
        QCOMPARE(slow.folders.load(), atSwitch);
        QVERIFY(atSwitch < 41);
        QCOMPARE(labelOf(w, "convert_found"), QStringLiteral("3 images found"));
        QCOMPARE(child<NewLibraryPage>(w, "Picture1_2")->foundImages().size(), 3);
    }

    void leavingThePageCancelsTheScan() {
        SlowScan slow;
        WizardWindow w;
        enterPage(w, "Option2", 2);
        child<QCheckBox>(w, "Check7")->click();
        type(w, "convert_source", slowTree());
        QTRY_VERIFY_WITH_TIMEOUT(slow.folders > 2, 5000);
        press(w, "Command4");  // "< &Back"
        QCOMPARE(w.page(), 0);
        QTest::qWait(100);
        const int atLeave = slow.folders;
        QTest::qWait(300);
        QCOMPARE(slow.folders.load(), atLeave);
        QVERIFY(atLeave < 41);
    }

    void startChecksInOrder_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("library");
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::addColumn<QString>("margin");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        const QString pics = path("pics"), none = path("nopics");
        const QString source = "Please select a valid source path.", library = "Please select a valid tile library.",
                      size = "Please select a valid pixel size.", margin = "Select a valid pixel size.";
        QTest::newRow("no source") << "" << "Empty" << "32" << "32" << "0" << source << "convert_source";
        QTest::newRow("missing source") << path("missing") << "Empty" << "32" << "32" << "0" << source << "convert_source";
        QTest::newRow("no library") << pics << "" << "32" << "32" << "0" << library << "Combo2";
        QTest::newRow("empty width") << pics << "Empty" << "" << "32" << "0" << size << "convert_w";
        // An empty size is refused before the count, a wrong one after it.
        QTest::newRow("no images, empty height") << none << "Empty" << "32" << "" << "0" << size << "convert_w";
        QTest::newRow("no images") << none << "Empty" << "x" << "32" << "0" << "No images found." << "convert_source";
        QTest::newRow("width not a number") << pics << "Empty" << "3a" << "32" << "0" << size << "convert_w";
        QTest::newRow("zero height") << pics << "Empty" << "32" << "0" << "0" << size << "convert_w";
        QTest::newRow("width too big") << pics << "Empty" << "40000" << "32" << "0" << size << "convert_w";
        QTest::newRow("margin = height") << pics << "Empty" << "40" << "32" << "32" << margin << "cropPX";
        QTest::newRow("negative margin") << pics << "Empty" << "32" << "32" << "-1" << margin << "cropPX";
        QTest::newRow("margin not a number") << pics << "Empty" << "32" << "32" << "" << margin << "cropPX";
    }

    void startChecksInOrder() {
        QFETCH(QString, source);
        QFETCH(QString, library);
        QFETCH(QString, width);
        QFETCH(QString, height);
        QFETCH(QString, margin);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        WizardWindow w;
        enterPage(w, "Option2", 2);
        press(w, "Check1");
        type(w, "convert_source", source);
        if (!library.isEmpty()) choose(w, "Combo2", library);
        type(w, "convert_w", width);
        type(w, "convert_h", height);
        type(w, "cropPX", margin);
        press(w, "Command2");  // at once: the typed path is scanned before the checks
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown[0].text, message);
        QCOMPARE(m_shown[0].icon, MessageIcon::Information);
        QCOMPARE(w.focusWidget(), child(w, focus.toUtf8().constData()));
        QCOMPARE(w.page(), 2);
    }

    void sizesFollowTheRatioAndTheLibrary() {
        WizardWindow w;
        enterPage(w, "Option2", 2);
        // Entering: 32 x 32, ratio 1, sizes free, jpg, centre anchor, no margin.
        QCOMPARE(textOf(w, "convert_w") + "x" + textOf(w, "convert_h") + ":" + textOf(w, "Text1"), QString("32x32:1"));
        QVERIFY(enabled(w, "convert_w") && enabled(w, "convert_h") && !enabled(w, "Check3"));
        QVERIFY(child<QRadioButton>(w, "convertjpg")->isChecked());
        QVERIFY(child<QRadioButton>(w, "crop_4")->isChecked());
        QCOMPARE(textOf(w, "cropPX"), QString("0"));

        type(w, "Text1", "1.5");
        type(w, "convert_w", "100");
        QCOMPARE(textOf(w, "convert_h"), QString("66"));  // rounded down
        type(w, "convert_h", "10");
        QCOMPARE(textOf(w, "convert_w"), QString("15"));
        type(w, "convert_h", "3");
        QCOMPARE(textOf(w, "convert_w"), QString("4.5"));  // written unrounded
        press(w, "Check1");
        type(w, "convert_w", "77");
        QCOMPARE(textOf(w, "convert_h"), QString("3"));

        // An existing library gives its size and ratio and locks them.
        choose(w, "Combo2", "Wide");
        QCOMPARE(textOf(w, "Text1"), QString("1.33333333333333"));
        QCOMPARE(textOf(w, "convert_w") + "x" + textOf(w, "convert_h"), QString("40x30"));
        QVERIFY(child<QCheckBox>(w, "Check3")->isChecked() && enabled(w, "Check3"));
        for (const char* locked : {"convert_w", "convert_h", "Text1", "convertbmp", "convertjpg", "Check1"})
            QVERIFY2(!enabled(w, locked), locked);
        QVERIFY(child<QRadioButton>(w, "convertjpg")->isChecked());
        press(w, "Check3");
        QVERIFY(enabled(w, "convert_w") && enabled(w, "Text1"));
        press(w, "Check3");
        choose(w, "Combo2", "Grey");
        QVERIFY(child<QRadioButton>(w, "convertbmp")->isChecked());
        // An empty library frees the sizes again.
        choose(w, "Combo2", "Empty");
        QVERIFY(enabled(w, "convert_w") && !enabled(w, "Check3"));
        QCOMPARE(textOf(w, "convert_w") + "x" + textOf(w, "convert_h") + ":" + textOf(w, "Text1"), QString("32x32:1"));
    }

    void recurseSettingComesWithTheMosaicOptions() {
        setSettingText(Setting::Subdirs, "1");
        WizardWindow w;
        enterPage(w, "Option1", 1);
        press(w, "Command4");
        enterPage(w, "Option2", 2);
        QVERIFY(child<QCheckBox>(w, "Check7")->isChecked());
    }

    void nameDialogRefusesBadNames() {
        const int before = static_cast<int>(libraryList().size());
        for (const QString& bad : {QString(), QString("Grey"), QString("a/b"), QString(".."), QString(" lead")}) {
            LibraryNameDialog dialog;
            child<QLineEdit>(dialog, "Text1")->setText(bad);
            m_shown.clear();
            press(dialog, "Command1");
            QCOMPARE(m_shown.size(), 1);
            QCOMPARE(m_shown[0].text, QStringLiteral("Please select a valid name."));
            QCOMPARE(m_shown[0].icon, MessageIcon::Information);
            QVERIFY(dialog.createdName().isEmpty());
            QCOMPARE(dialog.result(), 0);
        }
        QCOMPARE(static_cast<int>(libraryList().size()), before);
        QVERIFY(!QFileInfo::exists(path("home/a")));

        // Through "New Library": the new name becomes the target.
        WizardWindow w;
        enterPage(w, "Option2", 2);
        QTimer::singleShot(0, [] {
            auto* dialog = QApplication::activeModalWidget();
            QVERIFY(dialog && dialog->objectName() == "Form6");
            child<QLineEdit>(*dialog, "Text1")->setText("Fresh");
            press(*dialog, "Command1");
        });
        press(w, "Command3");
        QVERIFY(QFileInfo(tiles("Fresh")).isDir());
        QCOMPARE(child<QComboBox>(w, "Combo2")->currentText(), QString("Fresh"));
        QVERIFY(DeleteFolder(tiles("Fresh")));
    }

    void folderDialogStartsAtTheSourceFolder() {
        FolderDialog dialog(path("pics/x"));
        QCOMPARE(dialog.selectedFolder(), QDir(path("pics/x")).absolutePath());
        press(dialog, "Command1");
        QCOMPARE(dialog.chosenFolder(), QDir(path("pics/x")).absolutePath());
        QCOMPARE(driveOf({"/", "/mnt", "/mnt/data"}, "/mnt/data/pics"), QString("/mnt/data"));
        QCOMPARE(driveOf({"/", "/mnt"}, "/mntx/pics"), QString("/"));
        FolderDialog cancelled(path("pics"));
        press(cancelled, "Command2");
        QVERIFY(cancelled.chosenFolder().isEmpty());
    }

    void deletesALibraryOnlyAfterYes() {
        QDir().mkpath(tiles("Doomed"));
        makeFile(tiles("Doomed") + "/1.bmp", 8, 8, rgb(1, 1, 1));
        WizardWindow w;
        enterPage(w, "Option3", 3);
        choose(w, "Combo3", "Doomed");
        m_answers << MessageAnswer::No;
        press(w, "Command11");
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown[0].text, QStringLiteral("Do you really want to delete the library 'Doomed'?\r\n\r\n"
                                                 "It holds 1 file (1 tile, 0 color database files), "
                                                 "which go to the trash."));
        QCOMPARE(m_shown[0].icon, MessageIcon::Question);
        QVERIFY(QFileInfo::exists(tiles("Doomed") + "/1.bmp"));

        m_shown.clear();
        press(w, "Command11");
        QVERIFY(!QFileInfo::exists(tiles("Doomed")));
        QVERIFY(txtest::trashedPaths().contains(tiles("Doomed")));
        QCOMPARE(m_shown.size(), 2);
        QCOMPARE(m_shown[1].text, QStringLiteral("'Doomed' was successfully deleted."));
        QCOMPARE(m_shown[1].icon, MessageIcon::Information);
        QCOMPARE(child<QComboBox>(w, "Combo3")->findText("Doomed"), -1);
        QCOMPARE(labelOf(w, "Label46"), QStringLiteral("- none -"));
        QVERIFY(!enabled(w, "Command11"));
    }

    void showsLibraryProperties() {
        WizardWindow w;
        enterPage(w, "Option3", 3);
        QVERIFY(!enabled(w, "Command2"));
        QCOMPARE(labelOf(w, "Label46"), QStringLiteral("- none -"));
        choose(w, "Combo3", "Empty");
        QCOMPARE(labelOf(w, "Label46"), QStringLiteral("Number of tiles: 0"));
        QVERIFY(enabled(w, "Command11"));
        for (const char* tool : {"Command12", "Command13", "Command15", "Check4", "Check10"})
            QVERIFY2(!enabled(w, tool), tool);
        choose(w, "Combo3", "Mixed");
        QCOMPARE(labelOf(w, "Label46"), QStringLiteral("Number of tiles: 3\nTile size: 32x32px\nFormat: mixed"));
        for (const char* tool : {"Command12", "Command13", "Command15", "Check4", "Check10"})
            QVERIFY2(enabled(w, tool), tool);
        choose(w, "Combo3", "Wide");
        QCOMPARE(labelOf(w, "Label46"), QStringLiteral("Number of tiles: 2\nTile size: 40x30px\nFormat: jpg"));
    }

    void analysisShowsScoreAndGraph() {
        WizardWindow w;
        enterPage(w, "Option3", 3);
        choose(w, "Combo3", "Grey");
        press(w, "Check4");
        press(w, "Command12");  // the task window closes itself when the graph is drawn
        QCOMPARE(labelOf(w, "Label49"), QStringLiteral("84%"));
        const QPixmap graph = child<QLabel>(w, "Analyse")->pixmap();
        QCOMPARE(graph.size(), child<QLabel>(w, "Analyse")->contentsRect().size());
        // Red bars: none for the darkest tile at the left, two thirds high near the right.
        const QImage g = graph.toImage();
        const int right = (g.width() - 1) & ~1;
        QCOMPARE(QColor(g.pixel(right, g.height() / 2)), QColor(255, 0, 0));
        QVERIFY(QColor(g.pixel(right, g.height() / 4)) != QColor(255, 0, 0));
        QVERIFY(QColor(g.pixel(0, g.height() / 2)) != QColor(255, 0, 0));
        QVERIFY(!child<QCheckBox>(w, "Check4")->isChecked());
        QVERIFY(QFileInfo::exists(tiles("Grey") + "/1x1.txt"));

        // Another library clears the result; "Auto Analysis" runs it on the choice and is stored on "< Back".
        choose(w, "Combo3", "Mixed");
        QVERIFY(labelOf(w, "Label49").isEmpty());
        press(w, "Check10");
        QCOMPARE(labelOf(w, "Label49"), QStringLiteral("0%"));
        press(w, "Command4");
        QCOMPARE(settingText(Setting::AutoAnalyse), QStringLiteral("1"));
        enterPage(w, "Option3", 3);
        QVERIFY(child<QCheckBox>(w, "Check10")->isChecked());
        choose(w, "Combo3", "Grey");
        QCOMPARE(labelOf(w, "Label49"), QStringLiteral("84%"));
    }

    void analysisStaysUntilTilesAreDeleted() {
        makeFile(tiles("Twins") + "/1.bmp", 16, 16, rgb(200, 0, 0));
        makeFile(tiles("Twins") + "/2.bmp", 16, 16, rgb(200, 0, 0));
        makeFile(tiles("Twins") + "/3.bmp", 16, 16, rgb(0, 0, 200));
        WizardWindow w;
        enterPage(w, "Option3", 3);
        choose(w, "Combo3", "Twins");
        alt(w, Qt::Key_C);
        QTRY_VERIFY(!labelOf(w, "Label49").isEmpty());
        const QString score = labelOf(w, "Label49");
        auto graphShown = [&] { return !child<QLabel>(w, "Analyse")->pixmap().isNull(); };
        QVERIFY(graphShown());
        {
            TaskWindowCloser finished("&Finished");
            Clicker keep("Form4", "Command3");
            alt(w, Qt::Key_F);
            QTRY_VERIFY(finished.clicks > 0);
            QCOMPARE(keep.clicks, 1);
        }
        QCOMPARE(labelOf(w, "Label49"), score);
        QVERIFY(graphShown());
        {
            Clicker cancel("Form9", "Command3");
            alt(w, Qt::Key_V);
            QTRY_VERIFY(cancel.clicks > 0);
        }
        QCOMPARE(labelOf(w, "Label49"), score);
        QVERIFY(graphShown());
        {
            TaskWindowCloser finished("&Finished");
            Clicker deleteSecond("Form4", "Command1");
            alt(w, Qt::Key_F);
            QTRY_VERIFY(finished.clicks > 0);
            QCOMPARE(deleteSecond.clicks, 1);
        }
        QVERIFY(labelOf(w, "Label49").isEmpty());
        QVERIFY(!graphShown());
        QVERIFY(labelOf(w, "Label46").startsWith("Number of tiles: 2\n"));
    }

    void tileSizeComesFromTheFirstTileThatDecodes() {
        // 0.jpg's header says 640 x 480, but its data ends early
        const QString cut = tiles("Cut") + "/0.jpg";
        makeFile(cut, 640, 480, rgb(9, 9, 9));
        QFile file(cut);
        QVERIFY(file.resize(file.size() / 3));
        makeFile(tiles("Cut") + "/1.jpg", 40, 30, rgb(200, 10, 10));

        WizardWindow w;
        enterPage(w, "Option2", 2);
        choose(w, "Combo2", "Cut");
        QCOMPARE(textOf(w, "convert_w"), QString("40"));
        QCOMPARE(textOf(w, "convert_h"), QString("30"));
        press(w, "Command4");

        enterPage(w, "Option1", 1);
        choose(w, "Combo1", "Cut");
        QCOMPARE(textOf(w, "breite"), QString("40"));
        QCOMPARE(textOf(w, "höhe"), QString("30"));
        // an empty library leaves no tile of the one before in the preview
        QVERIFY(!child<QLabel>(w, "tile_preview")->pixmap().isNull());
        choose(w, "Combo1", "Empty");
        QVERIFY(child<QLabel>(w, "tile_preview")->pixmap().isNull());
    }

    void unreadablePicturesAreNamedAfterTheJob() {
        QVERIFY(createLibraryFolder("FromBad"));
        makeFile(path("bad/good.bmp"), 20, 20, rgb(5, 5, 5));
        QFile broken(path("bad/broken.jpg"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("not a picture");
        broken.close();
        WizardWindow w;
        enterPage(w, "Option2", 2);
        type(w, "convert_source", path("bad"));
        QTRY_COMPARE(labelOf(w, "convert_found"), QStringLiteral("2 images found"));
        choose(w, "Combo2", "FromBad");
        TaskWindowCloser closer("&Finished");
        alt(w, Qt::Key_S);  // "&Start!"
        QTRY_VERIFY(closer.clicks > 0);
        QTRY_COMPARE(m_shown.size(), 1);
        QVERIFY2(m_shown[0].text.startsWith("1 picture could not be read:\r\n\r\nbroken.jpg"), qPrintable(m_shown[0].text));
        QCOMPARE(tileList(tiles("FromBad") + "/").size(), 1);
    }

    void createsALibraryThroughStart() {
        QVERIFY(createLibraryFolder("Made"));
        WizardWindow w;
        enterPage(w, "Option2", 2);
        press(w, "Check7");
        type(w, "convert_source", path("pics"));
        QTRY_COMPARE(labelOf(w, "convert_found"), QStringLiteral("3 images found"));
        choose(w, "Combo2", "Made");
        type(w, "convert_w", "16");
        QCOMPARE(textOf(w, "convert_h"), QString("16"));
        press(w, "convertbmp");
        TaskWindowCloser closer("&Finished");
        press(w, "Command2");
        QVERIFY(m_shown.isEmpty());
        QCOMPARE(w.page(), 2);
        QVERIFY(w.findChild<NewLibraryPage*>()->lastJobResult().completed());
        QCOMPARE(tileList(tiles("Made") + "/"), QStringList({"1.bmp", "2.bmp", "3.bmp"}));
        Picture tile;
        QVERIFY(loadPicture(tiles("Made") + "/3.bmp", tile));  // x/c.bmp, from the sub-folder
        QCOMPARE(QSize(tile.width(), tile.height()), QSize(16, 16));
        // The library's information is read again: its tiles now lock the size.
        QVERIFY(enabled(w, "Check3") && !enabled(w, "convert_w"));
        QVERIFY(child<QRadioButton>(w, "convertbmp")->isChecked());
    }
};

QTEST_MAIN(LibraryPagesTest)
#include "test_library_pages.moc"
