#include "app/ExternalLinks.h"

#include <QDesktopServices>

namespace tx::gui {

namespace {
UrlOpenerHook& hook() {
    static UrlOpenerHook h;
    return h;
}
}  // namespace

void setUrlOpenerHook(UrlOpenerHook h) { hook() = std::move(h); }

bool openExternalUrl(const QUrl& url) {
    if (hook()) return hook()(url);
    return QDesktopServices::openUrl(url);
}

}  // namespace tx::gui
