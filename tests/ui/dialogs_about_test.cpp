// The About box: its texts, the agreement wrapped at the box's width and
// shown in full at every opening, the clickable web address (or none
// without a web host), Qt's OK caption in Korean, and the menu commands
// that open it.

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <algorithm>

#include "support/opened_urls.h"
#include "support/qt_texts.h"
#include "support/session_over_sim.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/window/main_window.h"

namespace qx7::ui {
namespace {

using strings::Language;
using test_support::Caption;

QStringList LabelTexts(const QWidget& dialog) {
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) texts.push_back(label->text());
    }
    return texts;
}

// The last line of the agreement's source with Markdown emphasis removed;
// empty for an HTML source, whose last line is markup.
QString LastSourceLine() {
    const QStringList lines = AboutDialog::AgreementSource().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.isEmpty() || lines.back().trimmed().startsWith(QLatin1Char('<'))) return QString();
    QString line = lines.back().trimmed();
    return line.remove(QRegularExpression(QStringLiteral("[*_#`]"))).trimmed();
}

// The lines of the document as laid out at its current width.
int LaidOutLines(QTextDocument& document) {
    document.documentLayout()->documentSize();  // lays out the whole document
    int lines = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        lines += block.layout() != nullptr ? block.layout()->lineCount() : 0;
    }
    return lines;
}

TEST(AboutDialog, ShowsTheProgramTheCopyrightAndTheAgreementNotice) {
    AboutDialog dialog(nullptr, QString());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About Ostrivance QX7 Configurator"));
    const QStringList texts = LabelTexts(dialog);
    EXPECT_TRUE(texts.contains(QStringLiteral("Ostrivance QX7 Configurator v") + QStringLiteral(QX7_VERSION_TEXT)))
        << texts.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("License Agreement")));
    EXPECT_TRUE(texts.contains(
        QStringLiteral("Please review the license terms before using the Ostrivance QX7 Configurator.")));
    EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                            [](const QString& text) { return text.startsWith(QStringLiteral("Copyright")); }));
    EXPECT_TRUE(dialog.OkButton()->isDefault());
    EXPECT_EQ(dialog.WebAddress(), nullptr) << "no web host, no address line";
    EXPECT_TRUE(dialog.Agreement()->isReadOnly());
}

// Two openings in a row each show the whole agreement, wrapped at the box's
// width: no line needs the horizontal scroll bar.
TEST(AboutDialog, TheAgreementWrapsAtTheBoxAndShowsInFullAtEveryOpening) {
    ASSERT_FALSE(AboutDialog::AgreementSource().isEmpty());
    QString first_text;
    for (int opening = 0; opening < 2; ++opening) {
        SCOPED_TRACE(opening);
        AboutDialog dialog(nullptr, QString());
        dialog.show();
        QTextBrowser* agreement = dialog.Agreement();
        const QString text = agreement->toPlainText();
        ASSERT_FALSE(text.isEmpty());
        if (!LastSourceLine().isEmpty()) {
            EXPECT_TRUE(text.contains(LastSourceLine())) << text.toStdString();
        }
        if (opening == 0) {
            first_text = text;
        } else {
            EXPECT_EQ(text, first_text);
        }

        EXPECT_EQ(agreement->horizontalScrollBar()->maximum(), 0);
        EXPECT_LE(agreement->document()->idealWidth(), agreement->viewport()->width());
        EXPECT_GT(LaidOutLines(*agreement->document()), agreement->document()->blockCount())
            << "long paragraphs are wrapped over several lines";
    }
}

TEST(AboutDialog, TheWebAddressOpensTheWebSiteAndOtherTextsDoNothing) {
    const test_support::OpenedUrls opened;
    AboutDialog dialog(nullptr, QStringLiteral("www.example.com"));
    dialog.show();
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label != dialog.WebAddress()) QTest::mouseClick(label, Qt::LeftButton);
    }
    EXPECT_TRUE(opened.urls().isEmpty());
    ASSERT_NE(dialog.WebAddress(), nullptr);
    EXPECT_EQ(dialog.WebAddress()->text(), QStringLiteral("www.example.com"));
    QTest::mouseClick(dialog.WebAddress(), Qt::LeftButton);
    ASSERT_EQ(opened.urls().size(), 1);
    EXPECT_EQ(opened.urls().front(), QUrl(QStringLiteral("http://www.example.com")));

    EXPECT_EQ(SupportRequestUrl(QStringLiteral("www.example.com:8080")),
              QUrl(QStringLiteral("http://www.example.com:8080/supportrequest")));
    EXPECT_FALSE(WebSiteUrl(QString()).isValid());
    EXPECT_FALSE(SupportRequestUrl(QString()).isValid());
}

// English only, but OK is Qt's own button caption, which follows Qt's
// translation.
TEST(AboutDialog, StaysEnglishWhileOkFollowsQtsKoreanTexts) {
    const test_support::QtTextsIn korean(Language::Korean);
    AboutDialog dialog(nullptr, QString());
    EXPECT_EQ(Caption(dialog.OkButton()->text()), QStringLiteral("확인"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About Ostrivance QX7 Configurator"));
    EXPECT_TRUE(LabelTexts(dialog).contains(QStringLiteral("License Agreement")));
}

// Both About commands of the window's menus open the box; the web address
// and the Help menu's web items follow the build's web host.
TEST(AboutDialog, BothMenuCommandsOpenIt) {
    test_support::SessionOverSim run;
    ASSERT_TRUE(run.WaitIdle());
    int opened = 0;
    run.desk->dialogs().set_dialog_hook([&](QDialog& dialog) {
        auto* about = dynamic_cast<AboutDialog*>(&dialog);
        ASSERT_NE(about, nullptr);
        ++opened;
        EXPECT_EQ(about->WebAddress() != nullptr, !MenuCommands::WebHost().isEmpty());
        QTest::mouseClick(about->OkButton(), Qt::LeftButton);
        EXPECT_EQ(about->result(), QDialog::Accepted);
    });
    for (const int command : {MainWindow::kMenuAbout, MainWindow::kMenuHelpAbout}) {
        emit run.desk->window().menuCommand(command);
        EXPECT_TRUE(test_support::WaitFor([&] { return opened > 0; }, 5000));
        EXPECT_EQ(opened, 1) << command;
        opened = 0;
    }
    for (QAction* action : run.desk->window().HelpMenu()->actions()) {
        const int id = action->data().toInt();
        if (id == MainWindow::kMenuWebSite || id == MainWindow::kMenuSupportRequest) {
            EXPECT_EQ(action->isVisible(), !MenuCommands::WebHost().isEmpty()) << id;
        }
    }
}

}  // namespace
}  // namespace qx7::ui
