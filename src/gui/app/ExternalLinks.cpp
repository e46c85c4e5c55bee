#include "app/ExternalLinks.h"

#include <QDesktopServices>
#include <QDir>

#include "app/MessageBoxes.h"

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

QString noProgramMessage(const QUrl& url) {
    if (url.isLocalFile())
        return QStringLiteral("No program is set up to open \"%1\".\r\n\r\n"
                              "Choose a program for this type of file in your desktop's settings.")
            .arg(QDir::toNativeSeparators(url.toLocalFile()));
    return QStringLiteral("No web browser could be started for %1.").arg(url.toString());
}

bool openWithDesktop(QWidget* parent, const QUrl& url) {
    if (openExternalUrl(url)) return true;
    showMessageBox(parent, MessageIcon::Exclamation, noProgramMessage(url));
    return false;
}

}  // namespace tx::gui
