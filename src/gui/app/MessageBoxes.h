#pragma once
// Every message box of the program goes through here: titled "Tesselix", with the
// icon and buttons the caller names. Tests install a recorder in place of the real
// boxes, so they can check text, icon and answer without a modal loop.

#include <QString>
#include <functional>

#include "task/TaskHost.h"

class QWidget;

namespace tx::gui {

enum class MessageButtons { Ok, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Yes, No, Cancel };

// Shows the box modally over `parent` (GUI thread only) and returns the answer.
MessageAnswer showMessageBox(QWidget* parent, MessageIcon icon, const QString& text,
                             MessageButtons buttons = MessageButtons::Ok);

// An information box whose `details` (a long list, say) sit in a text area the user
// can copy from. A test hook sees text + CRLF CRLF + details.
void showDetailedMessage(QWidget* parent, const QString& text, const QString& details);

// A replacement for the real boxes (tests). Pass an empty function to restore them.
using MessageBoxHook = std::function<MessageAnswer(QWidget* parent, MessageIcon, const QString&, MessageButtons)>;
void setMessageBoxHook(MessageBoxHook hook);

}  // namespace tx::gui
