#include "app/WizardPages.h"
#include "app/EvenUseBox.h"
#include "app/PanelLayout.h"
#include "app/StepSpinBar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>

#include "mosaic/MosaicDefaults.h"

namespace tx::gui {

namespace {

constexpr int kTop = kHeaderHeight + 6;


QLabel* picture(QWidget* parent, const char* objectName, int x, int y, int w, int h) {
    auto* l = place(new QLabel(parent), objectName, x, y, w, h);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

QLineEdit* field(QWidget* parent, const char* objectName, int x, int y, int w) {
    return place(new QLineEdit(parent), objectName, x, y, w, 22);
}

QCheckBox* check(QWidget* parent, const char* objectName, const QString& caption, int x, int y, int w) {
    return place(new QCheckBox(caption, parent), objectName, x, y, w, 22);
}

QSlider* slider(QWidget* parent, const char* objectName, int min, int max, int x, int y) {
    auto* s = place(new QSlider(Qt::Horizontal, parent), objectName, x, y, 240, 22);
    s->setRange(min, max);
    s->setTickPosition(QSlider::TicksBelow);
    s->setTickInterval((max - min) / 10);
    return s;
}

QScrollBar* spin(QWidget* parent, const char* objectName, int x, int y, QWidget* field) {
    auto* s = place(new StepSpinBar(parent), objectName, x, y, 16, 22);
    s->setRange(MosaicDefaults::kMatrixMin, MosaicDefaults::kMatrixMax);
    s->operateFrom(field);
    return s;
}

QString accessibleText(QString caption) {
    caption.remove(QLatin1Char('&'));
    caption = caption.trimmed();
    if (caption.endsWith(QLatin1Char(':'))) caption.chop(1);
    return caption;
}

}  // namespace

QLabel* makeBuddyLabel(QWidget* parent, const char* objectName, const QString& caption, QWidget* buddy) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QString::fromUtf8(objectName));
    l->setBuddy(buddy);
    buddy->setAccessibleName(accessibleText(caption));
    return l;
}

WelcomePage::WelcomePage(QWidget* parent) : QWidget(parent) {
    Image1 = place(new QLabel(this), "Image1", 0, 0, 124, 340);
    Image1->setScaledContents(true);
    auto* title = text(this, "Label23", QStringLiteral("Welcome"), 134, 16, 360, 28);
    QFont f = title->font();
    f.setPointSizeF(f.pointSizeF() * 1.6);
    f.setBold(true);
    title->setFont(f);
    text(this, "Label1", QStringLiteral("This wizard will help you to create your own photo mosaics."), 134, 54, 360, 36);
    text(this, "Label2",
         QStringLiteral("Create a photo mosaic using an existing tile library or convert your own images into a "
                        "new tile library."),
         134, 94, 360, 50);
    auto* mosaic = text(this, "Label21", QStringLiteral("Mosaic Options:"), 134, 154, 360);
    Option1 = place(new QRadioButton(QStringLiteral("Create a new photo &mosaic"), this), "Option1", 140, 176, 362, 22);
    auto* library = text(this, "Label22", QStringLiteral("Tile Library Options:"), 134, 212, 360);
    Option2 = place(new QRadioButton(QStringLiteral("Create a new &tile library or add files to an existing one"), this),
                    "Option2", 140, 234, 362, 22);
    Option3 = place(new QRadioButton(QStringLiteral("View and edit an &existing library"), this), "Option3", 140, 258,
                    362, 22);
    Option1->setChecked(true);
    QFont bold = mosaic->font();
    bold.setBold(true);
    mosaic->setFont(bold);
    library->setFont(bold);
    // Two transparent link areas over the artwork.
    for (int i = 0; i < 2; ++i) {
        link[i] = place(new QLabel(this), "Label44", 0, i == 0 ? 0 : 290, 124, 50);
        link[i]->setProperty("index", i);
        link[i]->setToolTip(QStringLiteral("quorvel Software Website"));
        link[i]->setCursor(Qt::PointingHandCursor);
        link[i]->setAttribute(Qt::WA_TranslucentBackground);
        link[i]->installEventFilter(this);
    }
}

bool WelcomePage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease && (watched == link[0] || watched == link[1])) {
        emit linkClicked();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

SourcePage::SourcePage(QWidget* parent) : QWidget(parent) {
    text(this, "Label5", QStringLiteral("Please select the image you want to convert into a mosaic:"), 12, kTop, 480);
    photo_source = place(new QComboBox(this), "photo_source", 112, kTop + 24, 288, 24);
    photo_source->setEditable(true);
    photo_source->setInsertPolicy(QComboBox::NoInsert);
    photo_source->setMaxCount(16);
    place(makeBuddyLabel(this, "Label13", QStringLiteral("&Source Image:"), photo_source), "Label13", 12, kTop + 26, 98,
          20);
    br1 = place(new QPushButton(QStringLiteral("Brows&e..."), this), "br1", 406, kTop + 24, 86, 24);
    Combo1 = place(new QComboBox(this), "Combo1", 112, kTop + 54, 180, 24);
    place(makeBuddyLabel(this, "Label6", QStringLiteral("Tile &Library:"), Combo1), "Label6", 12, kTop + 56, 98, 20);
    tile_preview = picture(this, "tile_preview", 400, kTop + 54, 92, 62);
    CellsX = field(this, "CellsX", 122, kTop + 84, 56);
    place(makeBuddyLabel(this, "Label18", QStringLiteral("&Horizontal Cells:"), CellsX), "Label18", 12, kTop + 85, 108,
          20);
    CellsY = field(this, "CellsY", 300, kTop + 84, 56);
    place(makeBuddyLabel(this, "Label19", QStringLiteral("&Vertical Cells:"), CellsY), "Label19", 196, kTop + 85, 102,
          20);
    Check9 = check(this, "Check9", QStringLiteral("Lin&k source image size with tile size"), 12, kTop + 112, 330);
    Check2 = check(this, "Check2", QStringLiteral("&Maintain source image proportions only"), 12, kTop + 134, 330);
    Command9 = place(new QPushButton(QStringLiteral("Previe&w..."), this), "Command9", 400, kTop + 126, 92, 26);
    Check6 = check(this, "Check6", QStringLiteral("&Use all tiles (default)"), 12, kTop + 162, 300);
    number = field(this, "number", 96, kTop + 186, 56);
    place(makeBuddyLabel(this, "Label29", QStringLiteral("&Only use"), number), "Label29", 30, kTop + 187, 64, 20);
    number->setAccessibleName(QStringLiteral("Only use tiles"));
    text(this, "Label36", QStringLiteral("tiles."), 158, kTop + 187, 60);
    force = check(this, "force", QStringLiteral("Create new &color database"), 12, kTop + 214, 300);
    Check2->setChecked(true);
    Command9->setEnabled(false);
}

ScanPage::ScanPage(QWidget* parent) : QWidget(parent) {
    text(this, "Label39", QStringLiteral("Quality of Scan Matrix:"), 12, kTop, 280);
    matrX = field(this, "matrX", 122, kTop + 24, 40);
    place(makeBuddyLabel(this, "Label38", QStringLiteral("&Horizontal Steps:"), matrX), "Label38", 12, kTop + 25, 108,
          20);
    VScroll3 = spin(this, "VScroll3", 164, kTop + 24, matrX);
    VScroll3->setAccessibleName(QStringLiteral("Horizontal Steps"));
    matrY = field(this, "matrY", 122, kTop + 50, 40);
    place(makeBuddyLabel(this, "Label26", QStringLiteral("&Vertical Steps:"), matrY), "Label26", 12, kTop + 51, 108, 20);
    VScroll2 = spin(this, "VScroll2", 164, kTop + 50, matrY);
    VScroll2->setAccessibleName(QStringLiteral("Vertical Steps"));
    Check8 = check(this, "Check8", QStringLiteral("&Lock"), 190, kTop + 37, 80);
    Picture16 = picture(this, "Picture16", 300, kTop + 10, 52, 52);
    text(this, "Label40", QStringLiteral(">>"), 355, kTop + 26, 24);
    Picture17 = picture(this, "Picture17", 380, kTop + 10, 52, 52);
    Slider3 = slider(this, "Slider3", MosaicDefaults::kDistanceMin, MosaicDefaults::kDistanceMax, 12, kTop + 102);
    place(makeBuddyLabel(this, "Label28", QStringLiteral("&Minimal distance between two identical tiles:"), Slider3),
          "Label28", 12, kTop + 82, 330, 20);
    Label8 = text(this, "Label8", QString(), 260, kTop + 103, 80);
    render_norm =
        place(new QRadioButton(QStringLiteral("L&inear Rendering"), this), "render_norm", 12, kTop + 134, 200, 22);
    render_smart =
        place(new QRadioButton(QStringLiteral("&Smart Rendering"), this), "render_smart", 12, kTop + 158, 200, 22);
    Picture3 = picture(this, "Picture3", 300, kTop + 130, 66, 66);
    filter = check(this, "filter", QStringLiteral("Additional &Filtering"), 12, kTop + 188, 200);
    // Centred under Picture17 (x 380, 52 wide), in the design font's pixels.
    matchingNote = text(this, "matchingNote", QStringLiteral("Perceptual matching"), 380 + 52 / 2 - 65, kTop + 64, 130);
    matchingNote->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    matchingNote->setVisible(false);
    evenUse = place(new EvenUseBox(this), "evenUseBox", 12, kTop + 214, 478, 2 * 22 + 4);
    evenNote = text(this, "evenNote", QString(), 372, kTop + 128, 122, 70);
    evenNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    evenNote->setVisible(false);
    render_smart->setChecked(true);
}

AdjustPage::AdjustPage(QWidget* parent) : QWidget(parent) {
    grey = check(this, "grey", QStringLiteral("&Grayscale mosaic"), 12, kTop, 200);
    Slider1 = slider(this, "Slider1", MosaicDefaults::kSaturationMin, MosaicDefaults::kSaturationMax, 12, kTop + 50);
    place(makeBuddyLabel(this, "Label37", QStringLiteral("Adjust source image &saturation:"), Slider1), "Label37", 12,
          kTop + 30, 260, 20);
    Label42 = text(this, "Label42", QString(), 260, kTop + 51, 40);
    Slider4 = slider(this, "Slider4", MosaicDefaults::kBrightnessMin, MosaicDefaults::kBrightnessMax, 12, kTop + 102);
    place(makeBuddyLabel(this, "Label41", QStringLiteral("Adjust source image brigh&tness:"), Slider4), "Label41", 12,
          kTop + 82, 260, 20);
    Label48 = text(this, "Label48", QString(), 260, kTop + 103, 40);
    Picture19 = place(new QFrame(this), "Picture19", 310, kTop + 20, 180, 135);
    static_cast<QFrame*>(Picture19)->setFrameShape(QFrame::Panel);
    static_cast<QFrame*>(Picture19)->setFrameShadow(QFrame::Sunken);
    Picture21 = place(new QLabel(Picture19), "Picture21", 0, 0, 180, 135);
    perceptual = check(this, "perceptual", QStringLiteral("Pe&rceptual colour matching"), 12, kTop + 140, 280);
    mirror = check(this, "mirror", QStringLiteral("Use &mirrored tiles"), 12, kTop + 164, 280);
    Slider1->setValue(MosaicDefaults::kSaturation);
}

OutputPage::OutputPage(QWidget* parent) : QWidget(parent) {
    Slider2 = slider(this, "Slider2", MosaicDefaults::kBlendMin, MosaicDefaults::kBlendMax, 12, kTop + 22);
    Slider2->setFixedWidth(scaled(200, font()));
    place(makeBuddyLabel(this, "Label7", QStringLiteral("&Color Correction (average source color):"), Slider2), "Label7",
          12, kTop, 300, 20);
    Label27 = text(this, "Label27", QString(), 218, kTop + 23, 44);
    Picture12 = picture(this, "Picture12", 290, kTop + 4, 40, 40);
    text(this, "Label25", QStringLiteral("+"), 336, kTop + 14, 14);
    Picture13 = picture(this, "Picture13", 350, kTop + 4, 40, 40);
    text(this, "Label24", QStringLiteral(">>"), 393, kTop + 14, 25);
    Picture10 = picture(this, "Picture10", 420, kTop + 4, 40, 40);
    Check5 = check(this, "Check5", QStringLiteral("&Keep original size (default)"), 12, kTop + 52, 240);
    Check11 = check(this, "Check11", QStringLiteral("Keep proport&ions"), 260, kTop + 52, 200);
    breite = field(this, "breite", 100, kTop + 80, 60);
    place(makeBuddyLabel(this, "Label35", QStringLiteral("Tile &Width:"), breite), "Label35", 12, kTop + 81, 86, 20);
    hoehe = field(this, "höhe", 270, kTop + 80, 60);
    place(makeBuddyLabel(this, "Label34", QStringLiteral("Tile H&eight:"), hoehe), "Label34", 180, kTop + 81, 88, 20);
    breite_ges = field(this, "breite_ges", 100, kTop + 108, 100);
    place(makeBuddyLabel(this, "Label32", QStringLiteral("Wi&dth:"), breite_ges), "Label32", 12, kTop + 109, 86, 20);
    hoehe_ges = field(this, "höhe_ges", 270, kTop + 108, 100);
    place(makeBuddyLabel(this, "Label33", QStringLiteral("Hei&ght:"), hoehe_ges), "Label33", 210, kTop + 109, 58, 20);
    Combo4 = place(new QComboBox(this), "Combo4", 380, kTop + 108, 90, 22);
    Combo4->addItems({QStringLiteral("Inch"), QStringLiteral("Cm"), QStringLiteral("Pixels")});
    place(makeBuddyLabel(this, "unitLabel", QStringLiteral("U&nit:"), Combo4), "unitLabel", 380, kTop + 86, 90, 20);
    Combo5 = place(new QComboBox(this), "Combo5", 100, kTop + 136, 80, 22);
    Combo5->setEditable(true);
    Combo5->setInsertPolicy(QComboBox::NoInsert);
    for (int dpi = 100; dpi <= 600; dpi += 100) Combo5->addItem(QString::number(dpi));
    place(makeBuddyLabel(this, "Label43", QStringLiteral("Reso&lution:"), Combo5), "Label43", 12, kTop + 137, 86, 20);
    text(this, "Label31", QStringLiteral("dpi"), 186, kTop + 137, 30);
    photo_target = field(this, "photo_target", 100, kTop + 174, 296);
    place(makeBuddyLabel(this, "targetLabel", QStringLiteral("Target &File:"), photo_target), "targetLabel", 12,
          kTop + 175, 86, 20);
    Command1 = place(new QPushButton(QStringLiteral("Br&owse..."), this), "Command1", 404, kTop + 173, 86, 24);
    Check11->setChecked(true);
}

}  // namespace tx::gui
