#include "ui/dialogs/about_dialog.h"

#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextBrowser>

#include <functional>

#include "ui/dialogs/button_texts.h"
#include "ui/widgets/icons.h"
#include "ui/window/dialog_units.h"

#ifndef QX7_AGREEMENT_FORMAT
#error "QX7_AGREEMENT_FORMAT must be set by the build"
#endif
#ifndef QX7_COPYRIGHT_NOTICE
#error "QX7_COPYRIGHT_NOTICE must be set by the build"
#endif

// Registers the agreement, compiled into this static library, with Qt (a
// resource in a static library is registered only through its initialiser).
static void InitAgreementResource() { Q_INIT_RESOURCE(qx7_agreement); }

namespace qx7::ui {
namespace {

constexpr int kApplicationIcon = 208;

// Geometry in dialog units of the dialog's font.
constexpr QSize kClientSize(500, 247);
constexpr QRect kIconRect(11, 17, 20, 20);
constexpr QRect kNameRect(154, 10, 190, 8);
constexpr QRect kCopyrightRect(154, 24, 188, 8);
constexpr QRect kAgreementCaptionRect(11, 45, 62, 8);
constexpr QRect kReviewRect(123, 56, 253, 8);
constexpr QRect kAgreementRect(7, 69, 486, 150);
constexpr QRect kWebAddressRect(7, 232, 68, 8);
constexpr QRect kOkRect(443, 224, 50, 16);

// A static text that reports a left click on it.
class ClickableLabel final : public QLabel {
public:
    ClickableLabel(const QString& text, QWidget* parent, std::function<void()> on_click)
        : QLabel(text, parent), on_click_(std::move(on_click)) {}

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) on_click_();
        QLabel::mouseReleaseEvent(event);
    }

private:
    std::function<void()> on_click_;
};

// Places a static text at `rect`, widened to its text when the font needs
// more room than the template gives, so that nothing is cut off.
QLabel* Place(QLabel* label, const DialogUnits& units, const QRect& rect) {
    label->setTextFormat(Qt::PlainText);
    QRect pixels = units.ToPixels(rect);
    pixels.setWidth(std::max(pixels.width(), label->sizeHint().width()));
    pixels.setHeight(std::max(pixels.height(), label->sizeHint().height()));
    label->setGeometry(pixels);
    return label;
}

QUrl PageUrl(const QString& host, const QString& path) {
    if (host.isEmpty()) return QUrl();
    return QUrl(QStringLiteral("http://") + host + path, QUrl::StrictMode);
}

}  // namespace

QUrl WebSiteUrl(const QString& host) { return PageUrl(host, QString()); }

QUrl SupportRequestUrl(const QString& host) { return PageUrl(host, QStringLiteral("/supportrequest")); }

QString AboutDialog::AgreementSource() {
    static const bool registered = (InitAgreementResource(), true);
    (void)registered;
    QFile file(QStringLiteral(":/about/agreement"));
    if (!file.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(file.readAll());
}

AboutDialog::AboutDialog(QWidget* parent, const QString& web_host) : QDialog(parent) {
    const DialogUnits units(font());
    setWindowTitle(QStringLiteral("About Ostrivance QX7 Configurator"));

    auto* icon = new QLabel(this);
    icon->setGeometry(units.ToPixels(kIconRect));
    icon->setPixmap(LoadIcon(kApplicationIcon).pixmap(icon->size()));

    Place(new QLabel(QStringLiteral("Ostrivance QX7 Configurator v") + QStringLiteral(QX7_VERSION_TEXT), this), units,
          kNameRect);
    Place(new QLabel(QStringLiteral(QX7_COPYRIGHT_NOTICE), this), units, kCopyrightRect);
    Place(new QLabel(QStringLiteral("License Agreement"), this), units, kAgreementCaptionRect);
    Place(new QLabel(QStringLiteral("Please review the license terms before using the Ostrivance QX7 Configurator."),
                     this),
          units, kReviewRect);

    agreement_ = new QTextBrowser(this);
    agreement_->setGeometry(units.ToPixels(kAgreementRect));
    agreement_->setOpenExternalLinks(true);
    agreement_->setLineWrapMode(QTextEdit::WidgetWidth);
    agreement_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    agreement_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    const QString source = AgreementSource();
    const QString format = QStringLiteral(QX7_AGREEMENT_FORMAT);
    if (format == QLatin1String("markdown"))
        agreement_->setMarkdown(source);
    else if (format == QLatin1String("html"))
        agreement_->setHtml(source);
    else
        agreement_->setPlainText(source);

    if (!web_host.isEmpty()) {
        const QUrl site = WebSiteUrl(web_host);
        web_address_ = new ClickableLabel(web_host, this, [site] { QDesktopServices::openUrl(site); });
        QPalette palette = web_address_->palette();
        palette.setColor(QPalette::WindowText, palette.color(QPalette::Link));
        web_address_->setPalette(palette);
        QFont underlined = web_address_->font();
        underlined.setUnderline(true);
        web_address_->setFont(underlined);
        web_address_->setCursor(Qt::PointingHandCursor);
        Place(web_address_, units, kWebAddressRect);
    }

    ok_ = new QPushButton(StandardButtonText(QDialogButtonBox::Ok), this);
    ok_->setGeometry(units.ToPixels(kOkRect));
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    setFixedSize(units.X(kClientSize.width()), units.Y(kClientSize.height()));
}

}  // namespace qx7::ui
