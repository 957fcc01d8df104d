// The buttons' styled path draws through the Windows platform style
// (windowsvista, the style Qt gives a Windows program when its plugin is
// there): the plugin is found where the program looks for it, and a button
// in the styled path draws its face with that style, not the plain path's.

#include <QApplication>
#include <QImage>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "ui/widgets/icon_button.h"

namespace qx7::ui {
namespace {

QImage Face(IconButton& button) { return button.grab().toImage().convertToFormat(QImage::Format_RGB32); }

TEST(PlatformStyle, TheStyledPathDrawsThroughTheWindowsStyle) {
    ASSERT_TRUE(QStyleFactory::keys().contains(QStringLiteral("windowsvista"), Qt::CaseInsensitive))
        << "no windowsvista style plugin (styles/qwindowsvistastyle.dll) among "
        << QStyleFactory::keys().join(u',').toStdString();
    std::unique_ptr<QStyle> vista(QStyleFactory::create(QStringLiteral("windowsvista")));
    std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("fusion")));
    ASSERT_NE(vista, nullptr);
    ASSERT_NE(fusion, nullptr);

    QWidget host;
    host.setGeometry(100, 100, 300, 60);
    auto* button = new IconButton(QStringLiteral("Exit"), &host);
    button->setGeometry(10, 10, 120, 40);
    button->SetDrawingPath(DrawingPath::Styled);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));

    button->setStyle(vista.get());
    const QImage styled = Face(*button);
    button->SetDrawingPath(DrawingPath::Plain);
    const QImage plain = Face(*button);
    button->SetDrawingPath(DrawingPath::Styled);
    button->setStyle(fusion.get());
    const QImage other_style = Face(*button);
    button->setStyle(nullptr);

    EXPECT_NE(styled, plain) << "the styled path drew the plain face";
    EXPECT_NE(styled, other_style) << "the face does not follow the style";
}

}  // namespace
}  // namespace qx7::ui
