#pragma once
// Catches the web pages the program asks the desktop to open (http and
// https through QDesktopServices) for as long as it lives, so that tests
// see them and no browser starts.

#include <QList>
#include <QObject>
#include <QUrl>

namespace qx7::ui::test_support {

class OpenedUrls : public QObject {
    Q_OBJECT

public:
    OpenedUrls();
    ~OpenedUrls() override;

    const QList<QUrl>& urls() const { return urls_; }

public slots:
    void Open(const QUrl& url);

private:
    QList<QUrl> urls_;
};

}  // namespace qx7::ui::test_support
