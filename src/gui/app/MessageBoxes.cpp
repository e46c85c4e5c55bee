#include "app/MessageBoxes.h"

#include <QMessageBox>

namespace tx::gui {

namespace {

MessageBoxHook& hook() {
    static MessageBoxHook h;
    return h;
}

QMessageBox::Icon iconOf(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Information:
        break;
    }
    return QMessageBox::Information;
}

}  // namespace

void setMessageBoxHook(MessageBoxHook h) { hook() = std::move(h); }

MessageAnswer showMessageBox(QWidget* parent, MessageIcon icon, const QString& text, MessageButtons buttons) {
    if (hook()) return hook()(parent, icon, text, buttons);
    QMessageBox box(iconOf(icon), QStringLiteral("Tesselix"), QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")),
                    QMessageBox::NoButton, parent);
    switch (buttons) {
    case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    default:
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
    }
}

void showDetailedMessage(QWidget* parent, const QString& text, const QString& details) {
    if (hook()) {
        hook()(parent, MessageIcon::Information, text + QStringLiteral("\r\n\r\n") + details, MessageButtons::Ok);
        return;
    }
    QMessageBox box(QMessageBox::Information, QStringLiteral("Tesselix"), text, QMessageBox::Ok, parent);
    box.setDetailedText(details);
    box.exec();
}

}  // namespace tx::gui
