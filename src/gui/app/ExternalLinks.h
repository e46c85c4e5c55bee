#pragma once
// Opening files and web addresses with the desktop's programs (picture viewer,
// graphic editor, browser). Tests install a recorder in place of the desktop.

#include <QString>
#include <QUrl>
#include <functional>

class QWidget;

namespace tx::gui {

// True when the desktop (or the hook) took the address.
bool openExternalUrl(const QUrl& url);

// Opens the file or address; when no program takes it (no desktop handler for the
// type, no browser), says so in a message box over `parent`.
bool openWithDesktop(QWidget* parent, const QUrl& url);

// The text of that message box.
QString noProgramMessage(const QUrl& url);

using UrlOpenerHook = std::function<bool(const QUrl&)>;
// Pass an empty function to restore the desktop.
void setUrlOpenerHook(UrlOpenerHook hook);

}  // namespace tx::gui
