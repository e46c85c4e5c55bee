#include "app/EvenUseBox.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>

#include "app/WizardPages.h"

namespace tx::gui {

EvenUseBox::EvenUseBox(QWidget* parent) : QWidget(parent) {
    evenUse = new QCheckBox(QStringLiteral("&Even tile use"), this);
    evenUse->setObjectName(QStringLiteral("evenUse"));
    everyTile = new QRadioButton(QStringLiteral("every tile before &repeats"), this);
    everyTile->setObjectName(QStringLiteral("everyTile"));
    atMost = new QRadioButton(QStringLiteral("at m&ost"), this);
    atMost->setObjectName(QStringLiteral("atMost"));
    maxUses = new QSpinBox(this);
    maxUses->setObjectName(QStringLiteral("maxUses"));
    maxUses->setRange(1, 32767);
    maxUses->setValue(2);
    timesLabel = makeBuddyLabel(this, "timesLabel", QStringLiteral("&times"), maxUses);
    maxUses->setAccessibleName(QStringLiteral("at most times"));
    // The spin box's own editor is what has the focus and what a reader names.
    if (auto* editor = maxUses->findChild<QLineEdit*>()) editor->setAccessibleName(maxUses->accessibleName());
    auto* group = new QButtonGroup(this);
    group->addButton(everyTile);
    group->addButton(atMost);
    everyTile->setChecked(true);

    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(2);
    rows->addWidget(evenUse);
    auto* choice = new QHBoxLayout;
    choice->addSpacing(fontMetrics().height() * 3 / 2);
    choice->addWidget(everyTile);
    choice->addSpacing(fontMetrics().averageCharWidth() * 2);
    choice->addWidget(atMost);
    choice->addWidget(maxUses);
    // the box's frame would otherwise touch the word after it
    choice->addSpacing(fontMetrics().averageCharWidth() / 2);
    choice->addWidget(timesLabel);
    choice->addStretch();
    rows->addLayout(choice);

    for (QAbstractButton* b : {static_cast<QAbstractButton*>(evenUse), static_cast<QAbstractButton*>(everyTile),
                               static_cast<QAbstractButton*>(atMost)})
        connect(b, &QAbstractButton::toggled, this, [this] {
            updateEnabled();
            emit changed();
        });
    connect(maxUses, &QSpinBox::valueChanged, this, &EvenUseBox::changed);
    updateEnabled();
}

EvenUse EvenUseBox::value() const {
    if (!evenUse->isChecked()) return {EvenUseMode::Off, maxUses->value()};
    return {atMost->isChecked() ? EvenUseMode::MaxUses : EvenUseMode::EveryTile, maxUses->value()};
}

void EvenUseBox::setValue(const EvenUse& use) {
    const QSignalBlocker b0(evenUse), b1(everyTile), b2(atMost), b3(maxUses);
    evenUse->setChecked(use.mode != EvenUseMode::Off);
    (use.mode == EvenUseMode::MaxUses ? atMost : everyTile)->setChecked(true);
    maxUses->setValue(use.maxUses);
    updateEnabled();
}

void EvenUseBox::updateEnabled() {
    const bool on = evenUse->isChecked();
    everyTile->setEnabled(on);
    atMost->setEnabled(on);
    maxUses->setEnabled(on && atMost->isChecked());
    timesLabel->setEnabled(maxUses->isEnabled());
}

}  // namespace tx::gui
