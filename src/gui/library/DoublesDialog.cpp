#include "library/DoublesDialog.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "app/CenterForm.h"
#include "app/WizardPictures.h"
#include "library/DoublesCompare.h"

namespace tx::gui {

namespace {

constexpr int kMargin = 10;
constexpr int kGap = 20;
constexpr int kButtonHeight = 26;
constexpr int kWidth = 2 * kMargin + 2 * DoublesDialog::kBoxWidth + kGap;

QLabel* pictureBox(QWidget* parent, const char* name, const QString& accessible, int w, int h) {
    auto* box = new QLabel(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setAccessibleName(accessible);
    box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    box->setFixedSize(w, h);
    return box;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

// A long file name is cut in the middle; the whole name stays in the tool tip.
void setFileName(QLabel* label, const QString& name) {
    label->setText(QFontMetrics(label->font()).elidedText(name, Qt::ElideMiddle, label->width()));
    label->setToolTip(name);
    label->setAccessibleDescription(name);
}

}  // namespace

DoublesAnswer DoublesDialog::ask(QWidget* parent, const DoublesQuestion& question) {
    DoublesDialog dialog(question, parent);
    dialog.exec();
    return dialog.answer();
}

DoublesDialog::DoublesDialog(const DoublesQuestion& question, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Tesselix"));
    setModal(true);
    buildControls();
    showQuestion(question);
    m_command3->setFocus();  // a stray Space or Enter keeps both tiles
    if (parent) CenterForm(this, parent->window());
}

void DoublesDialog::buildControls() {
    const int inner = kWidth - 2 * kMargin;
    const int right = kMargin + kBoxWidth + kGap;
    int y = kMargin;
    // The pictures keep their pixel sizes; text rows grow with the font.
    const QFontMetrics fm(font());
    const int textRow = std::max(18, fm.height() + 4);
    const int buttonRow = std::max(kButtonHeight, fm.height() + 12);
    const int checkRow = std::max(22, fm.height() + 8);

    auto* question = new QLabel(
        QStringLiteral("These two tiles are very similar. Do you want to delete one of them?"), this);
    question->setObjectName(QStringLiteral("Question"));
    question->setWordWrap(true);
    const int questionHeight =
        std::max(34, fm.boundingRect(QRect(0, 0, inner, 1000), Qt::TextWordWrap, question->text()).height() + 2);
    question->setGeometry(kMargin, y, inner, questionHeight);
    y += questionHeight + 4;

    auto* caption = new QLabel(QStringLiteral("Difference:"), this);
    const int captionWidth = std::max(90, fm.horizontalAdvance(caption->text()) + 8);
    caption->setGeometry(kMargin, y, captionWidth, textRow);
    m_label3 = new QLabel(this);
    m_label3->setObjectName(QStringLiteral("Label3"));
    m_label3->setAccessibleDescription(QStringLiteral("Difference"));  // the name is the text itself
    m_label3->setGeometry(kMargin + captionWidth, y, inner - captionWidth, textRow);
    y += textRow + 6;

    m_picture1 = pictureBox(this, "Picture1", QStringLiteral("First tile"), kBoxWidth, kBoxHeight);
    m_picture2 = pictureBox(this, "Picture2", QStringLiteral("Second tile"), kBoxWidth, kBoxHeight);
    m_picture1->move(kMargin, y);
    m_picture2->move(right, y);
    y += kBoxHeight + 4;

    m_label1 = new QLabel(this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label2 = new QLabel(this);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label1->setGeometry(kMargin, y, kBoxWidth, textRow);
    m_label2->setGeometry(right, y, kBoxWidth, textRow);
    y += textRow + 4;

    // Two captions "Delete"; the mnemonics tell them apart.
    m_command2 = button(this, "Command2", QStringLiteral("&Delete"));
    m_command2->setAccessibleName(QStringLiteral("Delete first tile"));
    m_command1 = button(this, "Command1", QStringLiteral("D&elete"));
    m_command1->setAccessibleName(QStringLiteral("Delete second tile"));
    m_command2->setGeometry(kMargin, y, kBoxWidth, buttonRow);
    m_command1->setGeometry(right, y, kBoxWidth, buttonRow);
    y += buttonRow + 10;

    m_picture3 = pictureBox(this, "Picture3", QStringLiteral("Difference of the tiles"), kDifferenceWidth,
                            kDifferenceHeight);
    m_picture4 = pictureBox(this, "Picture4", QStringLiteral("Difference reduced to 3 x 3"), 3 * kReducedBlock,
                            3 * kReducedBlock);
    m_picture3->move(kMargin, y);
    m_picture4->move(kMargin + kDifferenceWidth + 10, y);
    y += kDifferenceHeight + 10;

    m_check1 = new QCheckBox(QStringLiteral("&Apply to every later double"), this);
    m_check1->setObjectName(QStringLiteral("Check1"));
    m_check1->setToolTip(QStringLiteral("The second tile's Delete also deletes the second tile of every "
                                        "later double of this search without asking."));
    m_check1->setGeometry(kMargin, y, inner, checkRow);
    y += checkRow + 8;

    m_command4 = button(this, "Command4", QStringLiteral("&Stop Searching"));
    m_command3 = button(this, "Command3", QStringLiteral("&Cancel"));
    const int stopWidth = std::max(130, m_command4->sizeHint().width());
    const int cancelWidth = std::max(100, m_command3->sizeHint().width());
    m_command4->setGeometry(kMargin, y, stopWidth, buttonRow);
    m_command3->setGeometry(kWidth - kMargin - cancelWidth, y, cancelWidth, buttonRow);
    // Enter keeps both tiles: nothing is deleted by accident.
    m_command3->setDefault(true);
    y += buttonRow + kMargin;

    setTabOrder(m_command2, m_command1);
    setTabOrder(m_command1, m_check1);
    setTabOrder(m_check1, m_command4);
    setTabOrder(m_command4, m_command3);

    connect(m_command2, &QPushButton::clicked, this, [this] { decide(DoublesAnswer::Kill1); });
    connect(m_command1, &QPushButton::clicked, this, [this] {
        decide(m_check1->isChecked() ? DoublesAnswer::KillAll : DoublesAnswer::Kill2);
    });
    connect(m_command3, &QPushButton::clicked, this, [this] { decide(DoublesAnswer::Keep); });
    connect(m_command4, &QPushButton::clicked, this, [this] { decide(DoublesAnswer::Abort); });
    connect(m_check1, &QCheckBox::toggled, m_command2, &QWidget::setDisabled);

    setFixedSize(kWidth, y);
}

void DoublesDialog::showQuestion(const DoublesQuestion& question) {
    m_label3->setText(QString::number(question.d, 'g', 15));
    setFileName(m_label1, question.fileI);
    setFileName(m_label2, question.fileJ);

    const DoublesPictures p = doublesDialogPictures(question.tileI, question.tileJ, kBoxWidth, kBoxHeight);
    m_picture1->setPixmap(toPixmap(p.picture1));
    m_picture2->setPixmap(toPixmap(p.picture2));
    // The smaller boxes show the whole difference scaled down, and each pixel of
    // the 3 x 3 reduction as a block: three pixels alone would be invisible.
    m_picture3->setPixmap(toPixmap(stretchHalftone(p.picture3, kDifferenceWidth, kDifferenceHeight)));
    m_picture4->setPixmap(toPixmap(stretchPlain(p.picture4, 3 * kReducedBlock, 3 * kReducedBlock)));
}

void DoublesDialog::decide(DoublesAnswer answer) {
    m_answer = answer;
    accept();
}

}  // namespace tx::gui
