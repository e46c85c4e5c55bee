#pragma once
// Placing the controls of the wizard's page panels at positions drawn for the
// design font (grown with the desktop's font), and the OK / Cancel row of the small
// dialogs.

#include <QBoxLayout>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QString>

#include "app/FontScale.h"

namespace tx::gui {

// Names the control and puts it at (x, y) with the given size, in pixels of the
// design font; the parent's font decides how much they grow.
template <class W>
W* place(W* w, const char* objectName, int x, int y, int width, int height) {
    w->setObjectName(QString::fromUtf8(objectName));
    const QFont& font = w->parentWidget() ? w->parentWidget()->font() : w->font();
    w->setGeometry(scaled(QRect(x, y, width, height), font));
    return w;
}

// A label; one taller than a line wraps its words.
inline QLabel* text(QWidget* parent, const char* objectName, const QString& caption, int x, int y, int w,
                    int h = 20) {
    auto* l = place(new QLabel(caption, parent), objectName, x, y, w, h);
    l->setWordWrap(h > 20);
    return l;
}

// "&OK" (`Command1`, the default button) and "&Cancel" (`Command2`) at the right of
// a row added to `layout`; OK accepts the dialog only through the caller's handler.
struct OkCancel {
    QPushButton* ok;
    QPushButton* cancel;
};
inline OkCancel addOkCancelRow(QDialog* dialog, QBoxLayout* layout) {
    auto* ok = new QPushButton(QStringLiteral("&OK"), dialog);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), dialog);
    cancel->setObjectName(QStringLiteral("Command2"));
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    layout->addLayout(row);
    return {ok, cancel};
}

}  // namespace tx::gui
