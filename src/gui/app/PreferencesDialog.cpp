#include "app/PreferencesDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "app/CenterForm.h"
#include "app/FontScale.h"
#include "app/MessageBoxes.h"
#include "mosaic/MachineLimits.h"
#include "mosaic/MachineLimitsEntry.h"
#include "support/Messages.h"
#include "support/SettingsSchema.h"

namespace tx::gui {

namespace {

template <class W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel* buddyLabel(const QString& caption, QWidget* field, const char* name) {
    auto* label = named(new QLabel(caption), name);
    label->setBuddy(field);
    field->setAccessibleName(QString(caption).remove(QLatin1Char('&')).remove(QLatin1Char(':')));
    return label;
}

}  // namespace

void PreferencesDialog::showPreferences(QWidget* wizard) {
    PreferencesDialog dialog(wizard);
    if (wizard) CenterForm(&dialog, wizard);
    dialog.exec();
}

PreferencesDialog::PreferencesDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form10"));
    setWindowTitle(QStringLiteral("Preferences"));

    m_check = named(new QCheckBox(QStringLiteral("&Test machine every time (default)")), "Check1");
    auto* explanation = named(new QLabel(QStringLiteral(
                                  "If you do not want your machine to be checked every time, please set the "
                                  "maximal image size your computer is able to handle:")),
                              "Label1");
    explanation->setWordWrap(true);
    m_width = named(new QLineEdit, "Text1");
    m_height = named(new QLineEdit, "Text2");
    m_auto = named(new QPushButton(QStringLiteral("&Auto")), "Command3");
    m_quality = named(new QSlider(Qt::Horizontal), "Slider1");
    m_quality->setRange(0, 100);
    m_qualityText = named(new QLabel, "Label5");
    auto* ok = named(new QPushButton(QStringLiteral("&OK")), "Command1");
    auto* cancel = named(new QPushButton(QStringLiteral("&Cancel")), "Command2");
    ok->setDefault(true);

    auto* sizes = new QGridLayout;
    sizes->addWidget(buddyLabel(QStringLiteral("&Width:"), m_width, "Label2"), 0, 0);
    sizes->addWidget(m_width, 0, 1);
    sizes->addWidget(buddyLabel(QStringLiteral("&Height:"), m_height, "Label3"), 1, 0);
    sizes->addWidget(m_height, 1, 1);
    sizes->addWidget(m_auto, 0, 2, 2, 1, Qt::AlignVCenter);

    auto* quality = new QHBoxLayout;
    quality->addWidget(m_quality, 1);
    quality->addWidget(m_qualityText);
    m_qualityText->setMinimumWidth(m_qualityText->fontMetrics().horizontalAdvance(QStringLiteral("100%")));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_check);
    layout->addWidget(explanation);
    layout->addLayout(sizes);
    layout->addSpacing(8);
    layout->addWidget(buddyLabel(QStringLiteral("&Quality of all jpeg exports:"), m_quality, "Label4"));
    layout->addLayout(quality);
    layout->addStretch(1);
    layout->addLayout(buttons);
    setFixedWidth(scaled(340, font()));

    setTabOrder(m_check, m_width);
    setTabOrder(m_width, m_height);
    setTabOrder(m_height, m_auto);
    setTabOrder(m_auto, m_quality);
    setTabOrder(m_quality, ok);
    setTabOrder(ok, cancel);

    connect(m_check, &QCheckBox::clicked, this, &PreferencesDialog::checkClicked);
    connect(m_quality, &QSlider::valueChanged, this, &PreferencesDialog::qualityChanged);
    connect(ok, &QPushButton::clicked, this, &PreferencesDialog::okClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_auto, &QPushButton::clicked, this, &PreferencesDialog::autoClicked);

    m_width->setText(QString::number(settingInt(Setting::MaxWidth)));
    m_height->setText(QString::number(settingInt(Setting::MaxHeight)));
    m_quality->setValue(jpegQualitySetting());
    qualityChanged(m_quality->value());  // setValue is silent when the value is the slider's own
    m_check->setChecked(settingBool(Setting::Check));
    checkClicked();
}

void PreferencesDialog::checkClicked() {
    const bool measured = m_check->isChecked();
    m_width->setEnabled(!measured);
    m_height->setEnabled(!measured);
    m_auto->setEnabled(!measured);
}

void PreferencesDialog::qualityChanged(int value) { m_qualityText->setText(QString::number(value) + QLatin1Char('%')); }

void PreferencesDialog::okClicked() {
    const std::optional<MachineLimits> limits = typedMachineLimits(m_width->text(), m_height->text());
    if (!limits) {
        showMessageBox(this, MessageIcon::Information, msg::kValidPixelSize);
        m_width->setFocus();
        return;
    }
    setSettingInt(Setting::MaxWidth, limits->maxWidth);
    setSettingInt(Setting::MaxHeight, limits->maxHeight);
    setSettingInt(Setting::JPGQuality, m_quality->value());
    setSettingBool(Setting::Check, m_check->isChecked());
    accept();
}

void PreferencesDialog::autoClicked() {
    m_auto->setEnabled(false);
    m_auto->setText(QStringLiteral("Wait"));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::processEvents();
    const MachineLimits limits = TestMachine();
    m_width->setText(QString::number(limits.maxWidth));
    m_height->setText(QString::number(limits.maxHeight));
    m_auto->setEnabled(true);
    m_auto->setText(QStringLiteral("&Auto"));
    m_auto->setFocus();
    QApplication::restoreOverrideCursor();
}

}  // namespace tx::gui
