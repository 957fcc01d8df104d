#pragma once
// The About box: the program's name and version, the copyright line, the
// agreement in a read-only box that wraps at its width, OK, and the
// vendor's web address, which opens the web site when clicked. English
// only; OK takes Qt's caption, which follows Qt's installed translation.
//
// The agreement is compiled in from the file the build names
// (QX7_ABOUT_AGREEMENT: Markdown, HTML or plain text).

#include <QDialog>
#include <QString>
#include <QUrl>

class QLabel;
class QPushButton;
class QTextBrowser;

namespace qx7::ui {

// The vendor's pages on `host` (a host name, optionally with a port): the
// web site and the support-request page. An empty host has none (invalid
// URLs).
QUrl WebSiteUrl(const QString& host);
QUrl SupportRequestUrl(const QString& host);

class AboutDialog : public QDialog {
    Q_OBJECT

public:
    // `web_host` empty: no address line.
    AboutDialog(QWidget* parent, const QString& web_host);

    // The agreement as compiled in (empty when the resource is missing).
    static QString AgreementSource();

    // For tests and screenshots.
    QTextBrowser* Agreement() const { return agreement_; }
    QLabel* WebAddress() const { return web_address_; }
    QPushButton* OkButton() const { return ok_; }

private:
    QTextBrowser* agreement_ = nullptr;
    QLabel* web_address_ = nullptr;
    QPushButton* ok_ = nullptr;
};

}  // namespace qx7::ui
