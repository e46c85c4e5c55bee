#pragma once
// Opening web addresses in the desktop's browser. Tests install a recorder in
// place of the browser.

#include <QUrl>
#include <functional>

namespace tx::gui {

// True when the desktop (or the hook) took the address.
bool openExternalUrl(const QUrl& url);

using UrlOpenerHook = std::function<bool(const QUrl&)>;
// Pass an empty function to restore the browser.
void setUrlOpenerHook(UrlOpenerHook hook);

}  // namespace tx::gui
