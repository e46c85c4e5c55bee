#include "app/WizardWindow.h"
#include "app/FontScale.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSlider>
#include <QTimer>
#include <QUrl>

#include "JobDispatch.h"
#include "app/ExternalLinks.h"
#include "app/FileDialogs.h"
#include "app/PreferencesDialog.h"
#include "app/AboutDialog.h"
#include "app/EvenUseBox.h"
#include "app/LibraryPages.h"
#include "app/MessageBoxes.h"
#include "app/WizardPages.h"
#include "app/WizardPictures.h"
#include "library/TileLibrary.h"
#include "mosaic/EvenTileUse.h"
#include "mosaic/MachineLimits.h"
#include "mosaic/MosaicJob.h"
#include "mosaic/MosaicOptions.h"
#include "mosaic/MosaicTarget.h"
#include "mosaic/MosaicValidation.h"
#include "support/AppPaths.h"
#include "support/FileHelpers.h"
#include "support/NumberText.h"
#include "support/PictureFile.h"
#include "task/TaskWindow.h"
#include "viewer/ViewerWindow.h"

namespace tx::gui {

namespace {

constexpr int kHistorySize = 5;
const char* const kWebsite = "https://tesselix.org/";

WizardWindow::SettingsTrace& settingsTrace() {
    static WizardWindow::SettingsTrace t;
    return t;
}

int readInt(Setting s) {
    if (settingsTrace()) settingsTrace()(false, s);
    return settingInt(s);
}
QString readText(Setting s) {
    if (settingsTrace()) settingsTrace()(false, s);
    return settingText(s);
}
void writeText(Setting s, const QString& text) {
    if (settingsTrace()) settingsTrace()(true, s);
    setSettingText(s, text);
}
void writeInt(Setting s, int value) { writeText(s, QString::number(value)); }

Qt::CheckState checkOf(int value) { return value != 0 ? Qt::Checked : Qt::Unchecked; }
int valueOf(const QCheckBox* box) { return box->isChecked() ? 1 : 0; }

QPixmap gfx(const char* name) { return QPixmap(gfxFolder() + QLatin1String(name)); }

// The file dialogs open in the application folder; an installed program's data
// folder may not exist before the first library is made.
QString dialogStartFolder() {
    const QString folder = applicationFolder();
    return QFileInfo(folder).isDir() ? folder : AddBackslash(QDir::homePath());
}

MessageAnswer askOverwrite(QWidget* parent) {
    return showMessageBox(parent, MessageIcon::Exclamation, QStringLiteral("This file already exists. Overwrite it?"),
                          MessageButtons::YesNoCancel);
}

}  // namespace

void WizardWindow::setSettingsTrace(SettingsTrace trace) { settingsTrace() = std::move(trace); }

WizardWindow::WizardWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Tesselix"));
    setFixedSize(scaled(QRect(0, 0, 503, 388), font()).size());

    m_welcome = new WelcomePage(this);
    m_p1 = new SourcePage(this);
    m_p11 = new ScanPage(this);
    m_p12 = new AdjustPage(this);
    m_p13 = new OutputPage(this);
    m_p2 = new NewLibraryPage(this);
    m_p3 = new EditLibraryPage(this);
    QWidget* panels[7] = {m_welcome, m_p1, m_p2, m_p3, m_p11, m_p12, m_p13};
    for (int i = 0; i < 7; ++i) {
        m_panels[i] = panels[i];
        m_panels[i]->setObjectName(QStringLiteral("Picture1_%1").arg(i));
        m_panels[i]->setGeometry(scaled(QRect(0, 0, 503, 340), font()));
        m_panels[i]->setVisible(i == 0);
    }

    m_header = new QLabel(this);
    m_header->setObjectName(QStringLiteral("Picture2"));
    m_header->setGeometry(scaled(QRect(0, 0, 503, kHeaderHeight), font()));
    m_header->setAutoFillBackground(true);
    m_header->setBackgroundRole(QPalette::Base);
    m_header->setScaledContents(true);
    m_header->setPixmap(gfx("Top.gif"));
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("Label3"));
    m_title->setGeometry(scaled(QRect(16, 14, 400, 28), font()));
    QFont f = m_title->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.4);
    m_title->setFont(f);
    m_header->hide();
    m_title->hide();

    auto button = [this](const char* name, const QString& caption, int x, int w) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(scaled(QRect(x, 352, w, 28), font()));
        return b;
    };
    m_about = button("Command8", QStringLiteral("&About..."), 8, 88);
    m_prefs = button("Command10", QStringLiteral("&Preferences..."), 100, 110);
    m_back = button("Command4", QStringLiteral("< &Back"), 228, 84);
    m_next = button("Command2", QStringLiteral("&Next >"), 316, 84);
    m_quit = button("Command5", QStringLiteral("&Quit"), 410, 84);
    m_back->setEnabled(false);
    m_next->setDefault(true);

    m_welcome->Image1->setPixmap(gfx("Left.gif"));
    m_sample = samplePicture();
    m_p11->Picture16->setPixmap(toPixmap(m_sample));
    m_p13->Picture12->setPixmap(toPixmap(sampleTile()));
    m_p13->Picture13->setPixmap(toPixmap(colourSwatch()));
    m_renderTimer = new QTimer(this);
    m_renderTimer->setInterval(15);

    // The recent source pictures, newest first.
    for (int i = 0; i < kHistorySize; ++i) {
        const QString path = settingText(historySetting(i));
        if (!path.isEmpty()) m_p1->photo_source->addItem(path);
    }
    m_p1->photo_source->setCurrentIndex(-1);

    connect(m_next, &QPushButton::clicked, this, &WizardWindow::next);
    connect(m_back, &QPushButton::clicked, this, &WizardWindow::back);
    connect(m_quit, &QPushButton::clicked, this, &QWidget::close);
    connect(m_about, &QPushButton::clicked, this, [this] { AboutDialog::showAbout(this, false); });
    connect(m_prefs, &QPushButton::clicked, this, [this] { PreferencesDialog::showPreferences(this); });
    connect(m_welcome, &WelcomePage::linkClicked, this, &WizardWindow::openWebsite);
    connect(m_renderTimer, &QTimer::timeout, this, &WizardWindow::renderOrderStep);

    // page 1
    connect(m_p1->photo_source, &QComboBox::editTextChanged, this, &WizardWindow::sourceChanged);
    connect(m_p1->br1, &QPushButton::clicked, this, &WizardWindow::browseSource);
    connect(m_p1->Combo1, &QComboBox::currentIndexChanged, this, &WizardWindow::libraryChosen);
    connect(m_p1->CellsX, &QLineEdit::textChanged, this, &WizardWindow::cellsXChanged);
    connect(m_p1->CellsY, &QLineEdit::textChanged, this, &WizardWindow::cellsYChanged);
    connect(m_p1->Check2, &QCheckBox::clicked, this, &WizardWindow::cellsXChanged);
    connect(m_p1->Check9, &QCheckBox::clicked, this, &WizardWindow::linkClicked);
    connect(m_p1->Check6, &QCheckBox::clicked, this, &WizardWindow::useAllTilesClicked);
    connect(m_p1->Command9, &QPushButton::clicked, this, &WizardWindow::previewClicked);
    // page 11
    connect(m_p11->matrX, &QLineEdit::textChanged, this, &WizardWindow::matrixXChanged);
    connect(m_p11->matrY, &QLineEdit::textChanged, this, &WizardWindow::matrixYChanged);
    connect(m_p11->VScroll3, &QScrollBar::valueChanged, this, [this](int v) {
        if (m_guard) return;
        setGuarded(m_p11->matrX, QString::number(v));
        m_p11->matrX->setFocus();
    });
    connect(m_p11->VScroll2, &QScrollBar::valueChanged, this, [this](int v) {
        if (m_guard) return;
        setGuarded(m_p11->matrY, QString::number(v));
        m_p11->matrY->setFocus();
    });
    connect(m_p11->Check8, &QCheckBox::clicked, this, &WizardWindow::lockClicked);
    connect(m_p11->filter, &QCheckBox::clicked, this, &WizardWindow::drawScanMatrixPreview);
    connect(m_p12->perceptual, &QCheckBox::toggled, this, &WizardWindow::showMatchingNote);
    connect(m_p11->Slider3, &QSlider::valueChanged, this, &WizardWindow::distanceChanged);
    connect(m_p11->render_norm, &QRadioButton::clicked, this, &WizardWindow::drawRenderOrderPreview);
    connect(m_p11->render_smart, &QRadioButton::clicked, this, &WizardWindow::drawRenderOrderPreview);
    connect(m_p11->evenUse, &EvenUseBox::changed, this, &WizardWindow::evenUseChanged);
    // page 12
    connect(m_p12->Slider1, &QSlider::valueChanged, this, &WizardWindow::saturationChanged);
    connect(m_p12->Slider4, &QSlider::valueChanged, this, &WizardWindow::brightnessChanged);
    connect(m_p12->grey, &QCheckBox::clicked, this, [this] {
        drawColourCorrectionPreview();
        applySourceAdjustments();
    });
    // page 13
    connect(m_p13->Slider2, &QSlider::valueChanged, this, &WizardWindow::blendChanged);
    connect(m_p13->Check5, &QCheckBox::clicked, this, &WizardWindow::keepSizeClicked);
    connect(m_p13->Check11, &QCheckBox::clicked, this, &WizardWindow::totalWidthChanged);
    connect(m_p13->breite, &QLineEdit::textChanged, this, &WizardWindow::tileWidthChanged);
    connect(m_p13->hoehe, &QLineEdit::textChanged, this, &WizardWindow::tileHeightChanged);
    connect(m_p13->breite_ges, &QLineEdit::textChanged, this, &WizardWindow::totalWidthChanged);
    connect(m_p13->hoehe_ges, &QLineEdit::textChanged, this, &WizardWindow::totalHeightChanged);
    connect(m_p13->Combo4, &QComboBox::currentIndexChanged, this, &WizardWindow::unitChanged);
    connect(m_p13->Combo5, &QComboBox::editTextChanged, this, &WizardWindow::tileWidthChanged);
    connect(m_p13->Command1, &QPushButton::clicked, this, &WizardWindow::chooseTarget);

    saturationChanged();
    brightnessChanged();
    distanceChanged();
    blendChanged();
}

WizardWindow::~WizardWindow() = default;

void WizardWindow::start() {
    AboutDialog::showAbout(this, true);
    m_intro = false;
    show();
    m_welcome->Option1->setFocus();
}

void WizardWindow::openWebsite() { openWithDesktop(this, QUrl(QString::fromLatin1(kWebsite))); }

void WizardWindow::showPanel(int index) {
    for (int i = 0; i < 7; ++i) m_panels[i]->setVisible(i == index);
    const bool header = index != 0;
    m_header->setVisible(header);
    m_title->setVisible(header);
    if (header) {
        m_header->raise();
        m_title->raise();
    }
}

// ---- page machine

void WizardWindow::next() {
    switch (m_page) {
    case 0:
        if (m_welcome->Option1->isChecked()) {
            enterMosaicBranch();
        } else if (m_welcome->Option2->isChecked()) {
            m_page = 2;
            m_tileSize = QSize(32, 32);
            m_p2->enter();
            m_title->setText(QStringLiteral("New Tile Library"));
            m_back->setEnabled(true);
            m_next->setText(QStringLiteral("&Start!"));
            m_next->setDefault(true);
            showPanel(2);
        } else {
            m_page = 3;
            m_p3->enter();
            m_title->setText(QStringLiteral("Edit Tile Library"));
            m_back->setEnabled(true);
            m_next->setEnabled(false);
            showPanel(3);
        }
        break;
    case 1:
        if (!leaveSourcePage()) return;
        m_page = 11;
        drawScanMatrixPreview();
        showPanel(4);
        evenUseChanged();
        m_p11->matrX->setFocus();
        break;
    case 11:
        if (!leaveScanPage()) return;
        m_page = 12;
        m_renderTimer->stop();
        showPanel(5);
        m_p12->Slider4->setFocus();
        break;
    case 12:
        m_page = 13;
        drawColourCorrectionPreview();
        m_next->setText(QStringLiteral("&Render!"));
        m_next->setDefault(true);
        showPanel(6);
        m_p13->Check5->setFocus();
        break;
    case 13:
        renderMosaic();
        break;
    case 2:
        m_p2->start();
        break;
    case 3:
        back();
        break;
    default:
        break;
    }
}

void WizardWindow::back() {
    switch (m_page) {
    case 11:
        m_page = 1;
        m_renderTimer->stop();
        showPanel(1);
        m_p1->photo_source->setFocus();
        return;
    case 12:
        m_page = 11;
        showPanel(4);
        drawRenderOrderPreview();
        m_p11->matrX->setFocus();
        return;
    case 13:
        m_page = 12;
        m_next->setText(QStringLiteral("&Next >"));
        showPanel(5);
        m_p12->Slider4->setFocus();
        return;
    case 3:
        m_p3->leave();
        [[fallthrough]];
    case 1:
    case 2:
        m_page = 0;
        m_back->setEnabled(false);
        m_next->setEnabled(true);
        m_next->setDefault(true);
        m_next->setText(QStringLiteral("&Next >"));
        showPanel(0);
        m_welcome->Option1->isChecked()   ? m_welcome->Option1->setFocus()
        : m_welcome->Option2->isChecked() ? m_welcome->Option2->setFocus()
                                          : m_welcome->Option3->setFocus();
        return;
    default:
        return;
    }
}

void WizardWindow::enterMosaicBranch() {
    m_page = 1;
    {
        const QSignalBlocker block(m_p1->Combo1);
        m_p1->Combo1->clear();
        m_p1->Combo1->addItems(libraryList());
        m_p1->Combo1->setCurrentIndex(-1);
    }
    m_libraryFolder.clear();
    m_tiles.clear();
    m_p1->photo_source->setEditText(QString());
    m_p13->photo_target->clear();
    m_confirmedTarget.clear();
    m_sourceLoaded = false;
    m_dontAsk = false;

    loadMosaicSettings();

    m_tileSize = QSize(32, 32);
    m_p13->Check11->setChecked(true);
    totalWidthChanged();
    m_p1->Check6->setChecked(true);
    useAllTilesClicked();
    m_p1->CellsX->clear();
    m_p1->CellsY->clear();
    m_p13->breite->setText(QStringLiteral("32"));
    m_p13->hoehe->setText(QStringLiteral("32"));
    m_title->setText(QStringLiteral("New Photo Mosaic"));
    m_back->setEnabled(true);
    keepSizeClicked();
    m_p1->tile_preview->clear();

    showPanel(1);
    m_p1->photo_source->setFocus();
}

bool WizardWindow::leaveSourcePage() {
    MosaicEntries e;
    e.sourcePath = m_p1->photo_source->currentText();
    if (!e.sourcePath.isEmpty()) {
        Picture probe;
        e.sourceLoads = loadPicture(e.sourcePath, probe, nullptr, LoadHint{1, 1});
    }
    e.cellsX = asInteger(m_p1->CellsX->text());
    e.cellsY = asInteger(m_p1->CellsY->text());
    e.library = m_p1->Combo1->currentText();
    e.libraryTileCount = static_cast<int>(m_tiles.size());
    e.numberOfTiles = asInteger(m_p1->number->text());
    const auto problem = checkMosaicSource(e);
    if (!problem) return true;
    showMessageBox(this, MessageIcon::Information, problem->message);
    switch (problem->field) {
    case OptionField::SourceImage:
        m_p1->photo_source->setFocus();
        break;
    case OptionField::CellsX:
        m_p1->CellsX->setFocus();
        break;
    case OptionField::TileLibrary:
        m_p1->Combo1->setFocus();
        break;
    default:
        if (m_p1->number->isEnabled()) m_p1->number->setFocus();
        break;
    }
    return false;
}

bool WizardWindow::leaveScanPage() {
    MosaicEntries e;
    e.matrX = asInteger(m_p11->matrX->text());
    e.matrY = asInteger(m_p11->matrY->text());
    if (const auto problem = checkScanMatrix(e)) {
        showMessageBox(this, MessageIcon::Information, problem->message);
        m_p11->matrX->setFocus();
        return false;
    }
    // Caps that cannot fill the cells are refused here, not after the database is read.
    const EvenUse use = m_p11->evenUse->value();
    const int cells = cellsInUse(), tiles = tilesInUse();
    UseCaps caps;
    if (use.mode != EvenUseMode::Off && cells > 0 && tiles > 0) {
        const QString refused = useCaps(use, cells, tiles, caps);
        if (!refused.isEmpty()) {
            showMessageBox(this, MessageIcon::Information, refused);
            (use.mode == EvenUseMode::MaxUses ? static_cast<QWidget*>(m_p11->evenUse->maxUses)
                                              : m_p11->evenUse->evenUse)
                ->setFocus();
            return false;
        }
    }
    return true;
}

// ---- "&Render!"

void WizardWindow::renderMosaic() {
    MosaicEntries e;
    e.tileWidth = asInteger(m_p13->breite->text());
    e.tileHeight = asInteger(m_p13->hoehe->text());
    if (const auto problem = checkOutputTileSize(e)) {
        showMessageBox(this, MessageIcon::Information, problem->message);
        m_p13->breite->setFocus();
        return;
    }
    if (!chooseRenderTarget()) return;
    const QString target = m_p13->photo_target->text();
    m_confirmedTarget.clear();  // the next render asks again

    storeMosaicSettings();

    MosaicJob job;
    job.cellsX = asInteger(m_p1->CellsX->text()).value_or(0);
    job.cellsY = asInteger(m_p1->CellsY->text()).value_or(0);
    job.tileWidth = *e.tileWidth;
    job.tileHeight = *e.tileHeight;
    job.matrX = asInteger(m_p11->matrX->text()).value_or(MosaicDefaults::kMatrixX);
    job.matrY = asInteger(m_p11->matrY->text()).value_or(MosaicDefaults::kMatrixY);
    job.distance = m_p11->Slider3->value();
    job.saturation = m_p12->Slider1->value();
    job.alpha = alphaFromBlend(m_p13->Slider2->value());
    job.brightness = m_p12->Slider4->value();
    job.number = asInteger(m_p1->number->text()).value_or(0);
    job.forceNewDatabase = m_p1->force->isChecked();
    job.greyscale = m_p12->grey->isChecked();
    job.perceptual = m_p12->perceptual->isChecked();
    job.mirror = m_p12->mirror->isChecked();
    job.evenUse = m_p11->evenUse->value();
    job.smart = m_p11->render_smart->isChecked() && job.evenUse.mode == EvenUseMode::Off;
    job.filter = m_p11->filter->isChecked();
    job.sourcePath = m_p1->photo_source->currentText();
    job.targetPath = target;
    job.libraryFolder = m_libraryFolder;
    job.jpegQuality = jpegQualitySetting();
    job.fixedLimits = fixedLimitsSetting();

    m_task = QStringLiteral("CreateMosaic");
    m_lastResult = TaskWindow::runJob(this, jobRequest(job));
    m_task.clear();
}

// The target in the field when it can be used, otherwise the one chosen in the
// dialog; an unusable choice is explained and keeps the user on the page.
bool WizardWindow::chooseRenderTarget() {
    const QString typed = m_p13->photo_target->text().trimmed();
    if (!typed.isEmpty() && QFileInfo(typed).isAbsolute() && !mosaicTargetProblem(typed)) {
        m_p13->photo_target->setText(typed);
        if (typed == m_confirmedTarget || existingTargetFiles(typed).isEmpty()) return true;
        switch (askOverwrite(this)) {
        case MessageAnswer::Yes:
            return true;
        case MessageAnswer::No:
            break;
        default:
            m_p13->photo_target->clear();
            return false;
        }
    }
    if (!chooseTarget()) return false;
    if (const auto problem = mosaicTargetProblem(m_p13->photo_target->text())) {
        showMessageBox(this, MessageIcon::Information, *problem);
        m_p13->photo_target->setFocus();
        return false;
    }
    return true;
}

bool WizardWindow::chooseTarget() {
    const QString filter =
        QStringLiteral("JPEG Files (*.jpg;*.jpeg)|*.jpg;*.jpeg|Bitmaps (*.bmp)|*.bmp|PNG Files (*.png)|*.png|"
                       "Zoomable web page (*.html)|*.html|"
                       "All Files (*.*)|*.*");
    m_confirmedTarget.clear();
    for (;;) {
        const QString preset = m_p13->photo_target->text().trimmed();
        const QString path =
            chooseFile(this, FileDialogKind::Save, filter, preset,
                       targetDialogFolder(preset, m_p1->photo_source->currentText(), dialogStartFolder()));
        if (path.isEmpty()) {
            m_p13->photo_target->clear();
            return false;
        }
        m_p13->photo_target->setText(path);
        if (existingTargetFiles(path).isEmpty()) return true;
        switch (askOverwrite(this)) {
        case MessageAnswer::Yes:
            m_confirmedTarget = path;
            return true;
        case MessageAnswer::No:
            continue;
        default:
            m_p13->photo_target->clear();
            return false;
        }
    }
}

void WizardWindow::browseSource() {
    const QString preset = m_p1->photo_source->currentText();
    const QString path = chooseFile(
        this, FileDialogKind::Open,
        QStringLiteral("Images (*.bmp;*.jpg;*.jpeg;*.gif)|*.bmp;*.jpg;*.jpeg;*.gif|All Files (*.*)|*.*"), preset,
        preset.isEmpty() ? dialogStartFolder() : QString());
    if (path.isEmpty()) return;
    m_p1->photo_source->setEditText(path);
    m_p1->photo_source->setFocus();
}

// ---- settings

void WizardWindow::loadMosaicSettings() {
    auto setSlider = [](QSlider* s, int v) {
        const QSignalBlocker block(s);
        s->setValue(v);
    };
    auto setCheck = [](QCheckBox* c, int v) {
        const QSignalBlocker block(c);
        c->setCheckState(checkOf(v));
    };
    setSlider(m_p13->Slider2, readInt(Setting::Blend));
    blendChanged();
    setSlider(m_p11->Slider3, readInt(Setting::Distance));
    distanceChanged();
    setSlider(m_p12->Slider1, readInt(Setting::Enhance));
    saturationChanged();
    setSlider(m_p12->Slider4, readInt(Setting::Brightness));
    brightnessChanged();
    setCheck(m_p12->grey, readInt(Setting::Greyscale));
    m_p2->Check7->setCheckState(checkOf(readInt(Setting::Subdirs)));
    setCheck(m_p13->Check5, readInt(Setting::KeepSize));
    keepSizeClicked();
    setCheck(m_p1->Check9, readInt(Setting::Link));
    linkClicked();
    setCheck(m_p11->Check8, readInt(Setting::Lock));
    lockClicked();
    setCheck(m_p1->force, readInt(Setting::Force));
    setCheck(m_p11->filter, readInt(Setting::Filter));
    drawScanMatrixPreview();
    m_p11->matrX->setText(readText(Setting::MatrixX));
    m_p11->matrY->setText(readText(Setting::MatrixY));
    {
        const QSignalBlocker block(m_p13->Combo4);
        m_p13->Combo4->setCurrentIndex(readInt(Setting::Unit));
    }
    unitChanged();
    m_p13->Combo5->setEditText(readText(Setting::Dpi));
    const bool linear = readText(Setting::RenderNorm) == QLatin1String("True");
    (linear ? m_p11->render_norm : m_p11->render_smart)->setChecked(true);
    // The options beside the specified ones come after the specified settings.
    setCheck(m_p12->perceptual, readInt(Setting::Perceptual));
    setCheck(m_p12->mirror, readInt(Setting::Mirror));
    showMatchingNote();
    const int even = readInt(Setting::EvenUse);
    const int maxUses = readInt(Setting::MaxUses);
    m_p11->evenUse->setValue({even == 2 ? EvenUseMode::MaxUses : even == 1 ? EvenUseMode::EveryTile : EvenUseMode::Off,
                              maxUses});
    evenUseChanged();
}

void WizardWindow::storeMosaicSettings() {
    writeInt(Setting::Blend, m_p13->Slider2->value());
    writeInt(Setting::Distance, m_p11->Slider3->value());
    writeInt(Setting::Greyscale, valueOf(m_p12->grey));
    writeInt(Setting::Subdirs, valueOf(m_p2->Check7));
    writeText(Setting::MatrixX, m_p11->matrX->text());
    writeText(Setting::MatrixY, m_p11->matrY->text());
    writeInt(Setting::Enhance, m_p12->Slider1->value());
    writeInt(Setting::Brightness, m_p12->Slider4->value());
    writeInt(Setting::Link, valueOf(m_p1->Check9));
    writeInt(Setting::Lock, valueOf(m_p11->Check8));
    writeInt(Setting::Filter, valueOf(m_p11->filter));
    writeInt(Setting::Force, valueOf(m_p1->force));
    writeText(Setting::RenderNorm, m_p11->render_norm->isChecked() ? QStringLiteral("True") : QStringLiteral("False"));
    writeInt(Setting::Unit, m_p13->Combo4->currentIndex());
    writeText(Setting::Dpi, m_p13->Combo5->currentText());
    writeInt(Setting::KeepSize, valueOf(m_p13->Check5));
    writeInt(Setting::Perceptual, valueOf(m_p12->perceptual));
    writeInt(Setting::Mirror, valueOf(m_p12->mirror));
    const EvenUse use = m_p11->evenUse->value();
    writeInt(Setting::EvenUse, use.mode == EvenUseMode::MaxUses ? 2 : use.mode == EvenUseMode::EveryTile ? 1 : 0);
    writeInt(Setting::MaxUses, use.maxUses);
}

void WizardWindow::storeHistory() {
    const int count = std::min(m_p1->photo_source->count(), kHistorySize);
    for (int i = 0; i < count; ++i) setSettingText(historySetting(i), m_p1->photo_source->itemText(i));
}

void WizardWindow::closeEvent(QCloseEvent* event) {
    if (showMessageBox(this, MessageIcon::Exclamation, QStringLiteral("Do you really want to quit?"),
                       MessageButtons::YesNo) != MessageAnswer::Yes) {
        event->ignore();
        return;
    }
    storeHistory();
    event->accept();
}

void WizardWindow::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    // Only events the focused control left unused arrive here, as in a dialog.
    auto* focused = qobject_cast<QPushButton*>(focusWidget());
    QPushButton* target = focused && focused->isVisible() ? focused : m_next;
    if (target->isVisible() && target->isEnabled()) target->click();
    event->accept();
}

// ---- source and library

void WizardWindow::sourceChanged(const QString& text) {
    if (m_guard || text.isEmpty()) return;
    Picture loaded;
    if (!loadPicture(text, loaded)) {
        m_sourceLoaded = false;
        m_p1->Command9->setEnabled(false);
        return;
    }
    m_source = std::move(loaded);
    drawSourcePreview();
    m_sourceLoaded = true;
    rememberSource(text);
    m_p1->CellsX->setText(QStringLiteral("60"));
    m_p1->CellsX->setText(QString::number(proposedCellsX(sourceWidth(), sourceHeight())));
    // The cells down follow the new source even when the proposal did not change the text.
    cellsXChanged();
    m_dontAsk = false;
    m_p1->Command9->setEnabled(true);
    updatePreviewButton();
}

void WizardWindow::rememberSource(const QString& text) {
    QComboBox* list = m_p1->photo_source;
    m_guard = true;
    // A full list drops its entry at index 3 (the loop's bounds are taken once and
    // it removes only while the index is below the shrinking count), keeping the oldest.
    if (list->count() >= kHistorySize) {
        const int last = list->count() - 1;
        for (int i = 3; i <= last; ++i)
            if (i < list->count()) list->removeItem(i);
    }
    if (list->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive) < 0) {
        list->insertItem(0, text);
        list->setCurrentIndex(0);
    }
    if (list->currentText() != text) list->setEditText(text);
    m_guard = false;
}

void WizardWindow::libraryChosen() {
    const QString name = m_p1->Combo1->currentText();
    m_libraryFolder = name.isEmpty() ? QString() : libraryFolder(name);
    m_tiles = name.isEmpty() ? QStringList() : tileList(m_libraryFolder);
    m_p1->number->setText(QString::number(m_tiles.size()));
    // An empty library has nothing to show: the previous library's tiles must not stay.
    if (m_tiles.isEmpty()) m_p1->tile_preview->clear();
    if (const auto size = libraryTileSize(m_libraryFolder, m_tiles)) m_tileSize = *size;
    m_p13->breite->setText(QString::number(m_tileSize.width()));
    m_p13->hoehe->setText(QString::number(m_tileSize.height()));
    updatePreviewButton();
    drawLibraryPreview();
    cellsXChanged();
}

void WizardWindow::drawLibraryPreview() {
    const QSize box = m_p1->tile_preview->contentsRect().size();
    if (m_tiles.isEmpty() || box.isEmpty()) return;
    const int tw = m_tileSize.width(), th = m_tileSize.height();
    const int nx = std::max(1, box.width() / tw), ny = std::max(1, box.height() / th);
    Picture buffer(nx * tw, ny * th, rgb(128, 128, 128));
    int next = 0;
    for (int y = 0; y < ny && next < m_tiles.size(); ++y) {
        for (int x = 0; x < nx && next < m_tiles.size(); ++x) {
            Picture tile;
            if (loadPicture(m_libraryFolder + m_tiles[next++], tile, nullptr, LoadHint{tw, th}))
                blit(buffer, x * tw, y * th, tile, 0, 0, tw, th);
        }
    }
    Picture shown(box.width(), box.height(), rgb(128, 128, 128));
    blit(shown, (box.width() - buffer.width()) / 2, (box.height() - buffer.height()) / 2, buffer);
    m_p1->tile_preview->setPixmap(toPixmap(shown));
}

void WizardWindow::previewClicked() {
    m_task = QStringLiteral("Preview");
    const int cx = asInteger(m_p1->CellsX->text()).value_or(0);
    const int cy = asInteger(m_p1->CellsY->text()).value_or(0);
    if (!confirmPreview(this, cx, cy, QSize(m_source.width(), m_source.height()), m_dontAsk)) return;
    ViewerWindow::showPreview(this, m_source, cx, cy, m_tileSize);
}

double WizardWindow::sourceWidth() const { return m_source.width(); }
double WizardWindow::sourceHeight() const { return m_source.height(); }

}  // namespace tx::gui
