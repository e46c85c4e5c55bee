#include "app/LibraryPages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QHideEvent>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

#include "JobDispatch.h"
#include "app/FolderDialog.h"
#include "app/LibraryNameDialog.h"
#include "app/MessageBoxes.h"
#include "app/WizardPages.h"
#include "app/PanelLayout.h"
#include "library/CreateLibraryValidation.h"
#include "library/LibraryDeletion.h"
#include "library/SourcePictures.h"
#include "library/TileLibrary.h"
#include "support/FileHelpers.h"
#include "support/Messages.h"
#include "support/NumberText.h"
#include "support/PictureFile.h"
#include "support/SettingsSchema.h"
#include "task/TaskWindow.h"
#include "task/WindowHost.h"
#include "viewer/ViewerWindow.h"

namespace tx::gui {

namespace {

constexpr int kTop = kHeaderHeight + 6;
constexpr int kRefreshMs = 1500;
constexpr int kScanDelayMs = 300;


QLineEdit* field(QWidget* parent, const char* objectName, int x, int y, int w) {
    return place(new QLineEdit(parent), objectName, x, y, w, 22);
}

QCheckBox* check(QWidget* parent, const char* objectName, const QString& caption, int x, int y, int w) {
    return place(new QCheckBox(caption, parent), objectName, x, y, w, 22);
}

QPushButton* button(QWidget* parent, const char* objectName, const QString& caption, int x, int y, int w) {
    auto* b = place(new QPushButton(caption, parent), objectName, x, y, w, 26);
    b->setAutoDefault(false);
    return b;
}

void buddy(QWidget* parent, const char* objectName, const QString& caption, QWidget* field, int x, int y, int w) {
    place(makeBuddyLabel(parent, objectName, caption, field), objectName, x, y, w, 20);
}

void refill(QComboBox* combo) {
    const QSignalBlocker block(combo);
    combo->clear();
    combo->addItems(libraryList());
    combo->setCurrentIndex(-1);
}

void setGuardedText(bool& guard, QLineEdit* field, const QString& value) {
    guard = true;
    field->setText(value);
    guard = false;
}

const QString kNone = QStringLiteral("- none -");

}  // namespace

bool deleteLibraryAsked(QWidget* parent, const QString& name) {
    // The name comes from the folder listing; a plain name never leaves the libraries folder.
    if (name.isEmpty() || !isPlainName(name)) return false;
    const QString folder = libraryFolder(name);
    if (showMessageBox(parent, MessageIcon::Question, deleteLibraryQuestion(name, libraryContents(folder)),
                       MessageButtons::YesNo) != MessageAnswer::Yes)
        return false;
    QString error;
    if (!discardFolder(folder, &error)) {
        showMessageBox(parent, MessageIcon::Information, error);
        return false;
    }
    showMessageBox(parent, MessageIcon::Information, QLatin1Char('\'') + name + QStringLiteral("' was successfully deleted."));
    return true;
}

// ---- page 2

NewLibraryPage::NewLibraryPage(QWidget* parent) : QWidget(parent) {
    text(this, "Label14", QStringLiteral("Please select the location of your images:"), 12, kTop, 480);
    convert_source = field(this, "convert_source", 110, kTop + 22, 284);
    buddy(this, "Label12", QStringLiteral("S&ource Images:"), convert_source, 12, kTop + 23, 96);
    Command6 = button(this, "Command6", QStringLiteral("Brows&e..."), 400, kTop + 20, 90);
    Check7 = check(this, "Check7", QStringLiteral("&Recurse Subdirectories"), 110, kTop + 48, 200);
    convert_found = text(this, "convert_found", QString(), 310, kTop + 49, 180);
    convert_found->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    Combo2 = place(new QComboBox(this), "Combo2", 12, kTop + 100, 200, 24);
    buddy(this, "Label11", QStringLiteral("To which &library do you want the new tiles to be added?"), Combo2, 12,
          kTop + 78, 480);
    Command3 = button(this, "Command3", QStringLiteral("Ne&w Library"), 220, kTop + 99, 110);
    Command7 = button(this, "Command7", QStringLiteral("&Delete Library"), 336, kTop + 99, 110);

    Check3 = check(this, "Check3", QStringLiteral("Read a&ttributes from existing tiles"), 12, kTop + 130, 270);
    convert_w = field(this, "convert_w", 62, kTop + 158, 50);
    buddy(this, "Label15", QStringLiteral("W&idth:"), convert_w, 12, kTop + 159, 48);
    text(this, "Label17", QStringLiteral("x"), 118, kTop + 159, 10);
    convert_h = field(this, "convert_h", 186, kTop + 158, 50);
    buddy(this, "Label16", QStringLiteral("&Height:"), convert_h, 132, kTop + 159, 52);
    Check1 = check(this, "Check1", QStringLiteral("Maintain aspe&ct ratio of"), 12, kTop + 186, 170);
    // Wide enough for the longest ratio written, "1.33333333333333", in the font in use;
    // It ends before the crop anchors.
    const int ratioWidth = std::clamp(
        static_cast<int>(std::ceil(fontMetrics().horizontalAdvance(QStringLiteral("1.33333333333333")) /
                                   fontScale(font()))) + 16,
        110, 128);
    Text1 = field(this, "Text1", 184, kTop + 186, ratioWidth);
    Text1->setAccessibleName(QStringLiteral("Aspect ratio"));
    text(this, "Label10", QStringLiteral(":1"), 188 + ratioWidth, kTop + 187, 20);
    text(this, "Label9", QStringLiteral("Format:"), 12, kTop + 216, 60);
    convertbmp = place(new QRadioButton(QStringLiteral("b&mp"), this), "convertbmp", 74, kTop + 215, 60, 22);
    convertjpg = place(new QRadioButton(QStringLiteral("&jpg"), this), "convertjpg", 138, kTop + 215, 60, 22);
    const QString formatTip = QStringLiteral("While jpg libraries are smaller, bmps are faster");
    convertbmp->setToolTip(formatTip);
    convertjpg->setToolTip(formatTip);
    auto* formats = new QButtonGroup(this);
    formats->addButton(convertbmp);
    formats->addButton(convertjpg);
    convertjpg->setChecked(true);

    text(this, "Label50", QStringLiteral("Crop"), 340, kTop + 134, 60);
    static const char* const kAnchorNames[9] = {"Top left", "Top",         "Top right", "Left",        "Centre",
                                                "Right",    "Bottom left", "Bottom",    "Bottom right"};
    auto* anchors = new QButtonGroup(this);
    for (int i = 0; i < 9; ++i) {
        crop[i] = new QRadioButton(this);
        crop[i]->setObjectName(QStringLiteral("crop_%1").arg(i));
        crop[i]->setGeometry(scaled(QRect(340 + 22 * (i % 3), kTop + 156 + 22 * (i / 3), 20, 20), font()));
        crop[i]->setAccessibleName(QStringLiteral("Crop ") + QLatin1String(kAnchorNames[i]));
        crop[i]->setToolTip(QLatin1String(kAnchorNames[i]));
        anchors->addButton(crop[i], i);
    }
    crop[4]->setChecked(true);
    cropPX = field(this, "cropPX", 448, kTop + 178, 42);
    buddy(this, "Label51", QStringLiteral("Pi&xels:"), cropPX, 410, kTop + 179, 38);

    // Tab order in page order.
    QWidget* order[] = {convert_source, Command6, Check7, Combo2, Command3, Command7, Check3, convert_w, convert_h,
                        Check1, Text1, convertbmp, convertjpg, crop[4], cropPX};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kRefreshMs);
    m_scanDelay.setSingleShot(true);
    m_scanDelay.setInterval(kScanDelayMs);

    connect(convert_source, &QLineEdit::textChanged, this, [this] { m_scanDelay.start(); });
    connect(&m_scanDelay, &QTimer::timeout, this, &NewLibraryPage::sourceChanged);
    connect(Check7, &QCheckBox::clicked, this, &NewLibraryPage::sourceChanged);
    connect(Command6, &QPushButton::clicked, this, &NewLibraryPage::browse);
    connect(Combo2, &QComboBox::currentIndexChanged, this, &NewLibraryPage::targetChosen);
    connect(Command3, &QPushButton::clicked, this, &NewLibraryPage::newLibrary);
    connect(Command7, &QPushButton::clicked, this, &NewLibraryPage::deleteLibrary);
    connect(Check3, &QCheckBox::clicked, this, &NewLibraryPage::readAttributesClicked);
    connect(Check1, &QCheckBox::clicked, this, &NewLibraryPage::widthOrRatioChanged);
    connect(convert_w, &QLineEdit::textChanged, this, &NewLibraryPage::widthOrRatioChanged);
    connect(Text1, &QLineEdit::textChanged, this, &NewLibraryPage::widthOrRatioChanged);
    connect(convert_h, &QLineEdit::textChanged, this, &NewLibraryPage::heightChanged);
    connect(Timer1, &QTimer::timeout, this, &NewLibraryPage::refresh);
}

namespace {
NewLibraryPage::ScanHook& scanHook() {
    static NewLibraryPage::ScanHook hook;
    return hook;
}
}  // namespace

void NewLibraryPage::setScanHook(ScanHook hook) { scanHook() = std::move(hook); }

NewLibraryPage::~NewLibraryPage() {
    cancelScan();
    m_scanPool.waitForDone();
}

void NewLibraryPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Timer1->start();
}

void NewLibraryPage::hideEvent(QHideEvent* event) {
    Timer1->stop();
    if (!event->spontaneous()) cancelScan();  // the page was left (not the window minimised)
    QWidget::hideEvent(event);
}

void NewLibraryPage::enter() {
    fillLibraries();
    m_targetFolder.clear();
    m_targetTiles.clear();
    setGuardedText(m_guard, Text1, QStringLiteral("1"));
    convert_source->clear();
    sourceChanged();
    m_tileSize = QSize(32, 32);
    crop[4]->setChecked(true);
    cropPX->setText(QStringLiteral("0"));
    Check3->setEnabled(false);
    setGuardedText(m_guard, convert_w, QStringLiteral("32"));
    setGuardedText(m_guard, convert_h, QStringLiteral("32"));
    Check3->setChecked(true);
    Check1->setChecked(true);
    readAttributesClicked();
    convert_source->setFocus();
}

void NewLibraryPage::fillLibraries() { refill(Combo2); }

void NewLibraryPage::cancelScan() {
    if (m_scanStop) m_scanStop->store(true);
    m_scanStop.reset();
    ++m_scanGeneration;
    m_scanning = false;
}

void NewLibraryPage::sourceChanged() {
    m_scanDelay.stop();
    cancelScan();
    const QString folder = convert_source->text();
    const bool recurse = Check7->isChecked();
    if (folder.isEmpty()) {
        scanDone(folder, std::nullopt);
        return;
    }
    auto stop = std::make_shared<std::atomic<bool>>(false);
    m_scanStop = stop;
    m_scanning = true;
    const int generation = m_scanGeneration;
    // The destructor waits for the scan, and posted calls die with the page.
    m_scanPool.start([this, folder, recurse, stop, generation] {
        QElapsedTimer sinceShown;
        sinceShown.start();
        ScanControl control;
        control.cancelled = [stop] { return stop->load(); };
        control.found = [this, stop, generation, &sinceShown, hook = scanHook()](int n) {
            if (hook) hook();
            if (stop->load() || sinceShown.elapsed() < 100) return;
            sinceShown.restart();
            QMetaObject::invokeMethod(
                this,
                [this, generation, n] {
                    if (generation == m_scanGeneration) convert_found->setText(imagesFoundText(n) + QStringLiteral("..."));
                },
                Qt::QueuedConnection);
        };
        const auto found = scanSourceFolder(folder, recurse, control);
        if (stop->load()) return;
        QMetaObject::invokeMethod(
            this,
            [this, generation, folder, found] {
                if (generation == m_scanGeneration) scanDone(folder, found);
            },
            Qt::QueuedConnection);
    });
}

void NewLibraryPage::scanDone(const QString& folder, const std::optional<QStringList>& found) {
    m_scanning = false;
    m_sourceReadable = found.has_value();
    if (!found) {
        m_found.clear();
        m_scanRoot.clear();
        convert_found->setText(msg::kNotAValidPath);
        return;
    }
    m_scanRoot = AddBackslash(QDir(folder).absolutePath());
    m_found = *found;
    convert_found->setText(imagesFoundText(static_cast<int>(m_found.size())));
}

void NewLibraryPage::browse() {
    const QString folder = FolderDialog::chooseFolder(window(), convert_source->text());
    if (folder.isEmpty()) return;
    convert_source->setText(folder);
    sourceChanged();
    convert_source->setFocus();
}

void NewLibraryPage::targetChosen() {
    const QString name = Combo2->currentText();
    m_targetFolder = name.isEmpty() ? QString() : libraryFolder(name);
    m_targetTiles = tileList(m_targetFolder);
    const auto size = libraryTileSize(m_targetFolder, m_targetTiles);
    if (size) {
        const int w = size->width(), h = size->height();
        m_tileSize = QSize(w, h);
        Check3->setEnabled(true);
        readAttributesClicked();
        setGuardedText(m_guard, Text1, numberText(static_cast<double>(w) / h));
        setGuardedText(m_guard, convert_w, QString::number(w));
        setGuardedText(m_guard, convert_h, QString::number(h));
    } else {
        m_tileSize = QSize(32, 32);
        Check3->setEnabled(false);
        readAttributesClicked();
        setGuardedText(m_guard, Text1, QStringLiteral("1"));
        setGuardedText(m_guard, convert_w, QStringLiteral("32"));
        setGuardedText(m_guard, convert_h, QStringLiteral("32"));
    }
    const bool bmp = !m_targetTiles.isEmpty() && m_targetTiles.first().endsWith(QLatin1String(".bmp"));
    (bmp ? convertbmp : convertjpg)->setChecked(true);
}

void NewLibraryPage::readAttributesClicked() {
    // Locked to the library's tiles only while there are tiles to read; otherwise
    // the size is free (also after a locked library was left for an empty one).
    const bool locked = Check3->isEnabled() && Check3->isChecked();
    convert_w->setEnabled(!locked);
    if (locked) {
        setGuardedText(m_guard, convert_w, QString::number(m_tileSize.width()));
        setGuardedText(m_guard, convert_h, QString::number(m_tileSize.height()));
    }
    for (QWidget* w : {static_cast<QWidget*>(convert_h), static_cast<QWidget*>(Text1),
                       static_cast<QWidget*>(convertjpg), static_cast<QWidget*>(convertbmp),
                       static_cast<QWidget*>(Check1)})
        w->setEnabled(!locked);
}

void NewLibraryPage::widthOrRatioChanged() {
    if (m_guard || !Check1->isChecked()) return;
    const auto width = asInteger(convert_w->text());
    const auto ratio = numberValue(Text1->text());
    if (!width || !ratio || *ratio == 0) return;
    const double h = std::floor(*width / *ratio);
    if (!std::isfinite(h)) return;
    setGuardedText(m_guard, convert_h, QString::number(static_cast<long long>(h)));
}

void NewLibraryPage::heightChanged() {
    if (m_guard || !Check1->isChecked()) return;
    const auto height = asInteger(convert_h->text());
    const auto ratio = numberValue(Text1->text());
    if (!height || !ratio) return;
    setGuardedText(m_guard, convert_w, numberText(*height * *ratio));
}

void NewLibraryPage::refresh() {
    m_targetTiles = tileList(m_targetFolder);
    m_guard = false;
}

void NewLibraryPage::newLibrary() {
    const QString name = LibraryNameDialog::askName(window());
    if (name.isEmpty()) return;
    fillLibraries();
    Combo2->setCurrentIndex(Combo2->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive));
    targetChosen();
}

void NewLibraryPage::deleteLibrary() {
    if (!deleteLibraryAsked(window(), Combo2->currentText())) return;
    fillLibraries();
    targetChosen();
}

int NewLibraryPage::cropIndex() const {
    for (int i = 0; i < 9; ++i)
        if (crop[i]->isChecked()) return i;
    return -1;
}

void NewLibraryPage::start() {
    if (m_scanDelay.isActive() || m_scanning) {  // the path typed last is what counts, scanned in full
        cancelScan();
        scanDone(convert_source->text(), scanSourceFolder(convert_source->text(), Check7->isChecked()));
    }
    m_targetTiles = tileList(m_targetFolder);

    LibraryEntries e;
    e.sourceFolder = convert_source->text();
    e.sourceFolderReadable = m_sourceReadable;
    e.targetLibrary = Combo2->currentText();
    e.targetLibraryUsable = isPlainName(e.targetLibrary) && QFileInfo(libraryFolder(e.targetLibrary)).isDir();
    e.tileWidth = convert_w->text();
    e.tileHeight = convert_h->text();
    e.imagesFound = static_cast<int>(m_found.size());
    e.cropMargin = cropPX->text();
    if (const auto problem = checkLibraryEntries(e)) {
        showMessageBox(window(), MessageIcon::Information, problem->message);
        switch (problem->field) {
        case OptionField::SourceFolder:
            convert_source->setFocus();
            break;
        case OptionField::TargetLibrary:
            Combo2->setFocus();
            break;
        case OptionField::CropMargin:
            cropPX->setFocus();
            break;
        default:
            convert_w->setFocus();
            break;
        }
        return;
    }

    CreateLibraryJob job;
    job.sourceFolder = m_scanRoot;
    job.sourceEntries = m_found;
    job.targetFolder = libraryFolder(e.targetLibrary);
    job.tileWidth = *asInteger(e.tileWidth);
    job.tileHeight = *asInteger(e.tileHeight);
    job.cropMargin = *asInteger(e.cropMargin);
    job.anchor = static_cast<CropPosition>(cropIndex());
    job.format = convertjpg->isChecked() ? TileFormat::Jpeg : TileFormat::Bmp;
    job.jpegQuality = jpegQualitySetting();
    m_lastResult = TaskWindow::runJob(window(), jobRequest(job));
    // The task window only counts the pictures it skipped; here they are named.
    if (m_lastResult.completed() && !m_lastResult.problems.isEmpty()) {
        const auto count = m_lastResult.problems.size();
        showDetailedMessage(window(),
                            QString::number(count) + (count == 1 ? QStringLiteral(" picture could not be read:")
                                                                 : QStringLiteral(" pictures could not be read:")),
                            m_lastResult.problems.join(QLatin1Char('\n')));
    }
    targetChosen();
}

// ---- page 3

EditLibraryPage::EditLibraryPage(QWidget* parent) : QWidget(parent) {
    Combo3 = place(new QComboBox(this), "Combo3", 12, kTop + 22, 220, 24);
    buddy(this, "Label30", QStringLiteral("Please select a tile &library:"), Combo3, 12, kTop, 300);
    Command11 = button(this, "Command11", QStringLiteral("&Delete Library"), 240, kTop + 21, 120);

    text(this, "Label45", QStringLiteral("Library Properties:"), 12, kTop + 58, 220);
    Label46 = text(this, "Label46", kNone, 12, kTop + 78, 220, 60);
    Label46->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label46->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    Label46->setAccessibleDescription(QStringLiteral("Library Properties"));  // the name is the text itself

    text(this, "Label47", QStringLiteral("Color Analysis:"), 250, kTop + 58, 240);
    Analyse = place(new QLabel(this), "Analyse", 250, kTop + 78, 240, 120);
    Analyse->setFrameShape(QFrame::Panel);
    Analyse->setFrameShadow(QFrame::Sunken);
    Analyse->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Analyse->setToolTip(QStringLiteral("Red = Your Library, Grey = Ideal Library"));
    Analyse->setAccessibleName(QStringLiteral("Color Analysis"));
    Label49 = text(this, "Label49", QString(), 250, kTop + 202, 240);

    Check10 = check(this, "Check10", QStringLiteral("Au&to Analysis"), 12, kTop + 146, 220);
    Check4 = check(this, "Check4", QStringLiteral("&Update Database"), 12, kTop + 170, 220);
    Command12 = button(this, "Command12", QStringLiteral("&Color Analysis"), 12, kTop + 240, 150);
    Command15 = button(this, "Command15", QStringLiteral("&Find Doubles"), 170, kTop + 240, 150);
    Command13 = button(this, "Command13", QStringLiteral("&View/Edit..."), 328, kTop + 240, 150);

    QWidget* order[] = {Combo3, Command11, Check10, Check4, Command12, Command15, Command13};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    m_refresh.setInterval(kRefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, [this] { m_tiles = tileList(m_folder); });
    connect(Combo3, &QComboBox::currentIndexChanged, this, &EditLibraryPage::libraryChosen);
    connect(Command11, &QPushButton::clicked, this, &EditLibraryPage::deleteLibrary);
    connect(Command12, &QPushButton::clicked, this, &EditLibraryPage::analyse);
    connect(Check10, &QCheckBox::clicked, this, [this](bool on) {
        if (on) analyse();
    });
    connect(Command15, &QPushButton::clicked, this, &EditLibraryPage::findDoubles);
    connect(Command13, &QPushButton::clicked, this, &EditLibraryPage::viewTiles);
    disableTools();
}

void EditLibraryPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_refresh.start();
}

void EditLibraryPage::hideEvent(QHideEvent* event) {
    m_refresh.stop();
    QWidget::hideEvent(event);
}

void EditLibraryPage::enter() {
    Check10->setChecked(settingInt(Setting::AutoAnalyse) == 1);
    fillLibraries();
    disableTools();
    libraryChosen();
    Combo3->setFocus();
}

void EditLibraryPage::leave() { setSettingInt(Setting::AutoAnalyse, Check10->isChecked() ? 1 : 0); }

void EditLibraryPage::fillLibraries() { refill(Combo3); }

void EditLibraryPage::disableTools(bool keepAnalysis) {
    for (QWidget* w : {static_cast<QWidget*>(Command11), static_cast<QWidget*>(Command12),
                       static_cast<QWidget*>(Command13), static_cast<QWidget*>(Command15),
                       static_cast<QWidget*>(Check4), static_cast<QWidget*>(Check10)})
        w->setEnabled(false);
    if (!keepAnalysis) {
        Label49->clear();
        Analyse->clear();
    }
    Label46->setText(kNone);
}

void EditLibraryPage::libraryChosen() {
    showProperties();
    if (!m_tiles.isEmpty() && Check10->isChecked()) analyse();
}

void EditLibraryPage::showProperties(bool keepAnalysis) {
    const QString name = Combo3->currentText();
    disableTools(keepAnalysis && !name.isEmpty());
    if (name.isEmpty()) {
        m_folder.clear();
        m_tiles.clear();
        return;
    }
    m_folder = libraryFolder(name);
    m_tiles = tileList(m_folder);
    const LibraryInfo info = libraryInfo(m_folder);
    QString text = QStringLiteral("Number of tiles: ") + QString::number(m_tiles.size());
    Command11->setEnabled(true);
    if (!m_tiles.isEmpty()) {
        for (QWidget* w : {static_cast<QWidget*>(Check4), static_cast<QWidget*>(Check10),
                           static_cast<QWidget*>(Command12), static_cast<QWidget*>(Command13),
                           static_cast<QWidget*>(Command15)})
            w->setEnabled(true);
        if (info.tileWidth > 0)
            text += QStringLiteral("\nTile size: %1x%2px").arg(info.tileWidth).arg(info.tileHeight);
        // An empty library has no format to speak of.
        text += QStringLiteral("\nFormat: ") + info.format;
    }
    Label46->setText(text);
}

void EditLibraryPage::analyse() {
    if (Combo3->currentText().isEmpty() || m_tiles.isEmpty()) return;
    AnalyseLibraryJob job;
    job.libraryFolder = m_folder;
    job.updateDatabase = Check4->isChecked();
    // The database is built as the next mosaic would build it.
    job.greyscale = settingBool(Setting::Greyscale);
    job.filter = settingBool(Setting::Filter);
    job.graphSize = Analyse->contentsRect().size();
    WindowHost::setAnalysisReceiver([this](const QString& score, const QImage& graph) {
        Label49->setText(score);
        Analyse->setPixmap(QPixmap::fromImage(graph));
    });
    TaskWindow::runJob(window(), jobRequest(job));
    WindowHost::setAnalysisReceiver({});
    Check4->setChecked(false);
}

void EditLibraryPage::findDoubles() {
    if (m_folder.isEmpty()) return;
    const JobResult result = TaskWindow::runJob(window(), jobRequest(SearchDoublesJob{m_folder}));
    // The analysis describes the tiles; it stays as long as they do.
    showProperties(result.filesRemoved.isEmpty());
}

void EditLibraryPage::viewTiles() {
    if (m_folder.isEmpty()) return;
    const QStringList deleted = ViewerWindow::showTiles(window(), m_folder);
    showProperties(deleted.isEmpty());
}

void EditLibraryPage::deleteLibrary() {
    if (!deleteLibraryAsked(window(), Combo3->currentText())) return;
    fillLibraries();
    showProperties();
}

}  // namespace tx::gui
