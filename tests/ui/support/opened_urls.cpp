#include "support/opened_urls.h"

#include <QDesktopServices>

namespace qx7::ui::test_support {

OpenedUrls::OpenedUrls() {
    for (const char* scheme : {"http", "https"}) {
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
    }
}

OpenedUrls::~OpenedUrls() {
    for (const char* scheme : {"http", "https"}) QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
}

void OpenedUrls::Open(const QUrl& url) { urls_.push_back(url); }

}  // namespace qx7::ui::test_support
