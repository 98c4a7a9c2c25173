#include "app/frm_about.h"
#include "app/frm_splash.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace veskor;

namespace {

TEST(AboutBoxTest, ShowsNameEditionAndDescription)
{
    for (int opening = 0; opening < 2; ++opening) {
        frmAbout about(nullptr);
        EXPECT_EQ(about.windowTitle(), QStringLiteral("版权说明"));
        EXPECT_EQ(about.lblTitle->text(), QStringLiteral("Veskor"));
        EXPECT_EQ(about.lblVersion->text(), QStringLiteral("免费版"));
        EXPECT_TRUE(about.lblDescription->text().contains(QStringLiteral("(swf格式)课件")));
        EXPECT_TRUE(about.lblDescription->text().endsWith('!'));
        EXPECT_EQ(about.cmdOK->text(), QStringLiteral("确定"));
    }
}

TEST(AboutBoxTest, EnterEscAndTheButtonCloseIt)
{
    const QList<std::function<void(frmAbout&)>> closers = {
        [](frmAbout& a) { QTest::keyClick(&a, Qt::Key_Return); },
        [](frmAbout& a) { QTest::keyClick(&a, Qt::Key_Enter); },
        [](frmAbout& a) { QTest::keyClick(&a, Qt::Key_Escape); },
        [](frmAbout& a) { a.cmdOK->click(); },
    };
    for (const auto& close : closers) {
        frmAbout about(nullptr);
        about.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
        close(about);
        EXPECT_FALSE(about.isVisible());
    }
}

TEST(SplashTest, AnyKeyClosesIt)
{
    frmSplash splash;
    splash.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&splash));
    EXPECT_EQ(splash.lblCompanyProduct->text(), QStringLiteral("Veskor"));
    EXPECT_EQ(splash.lblVersion->text(), QStringLiteral("V200906"));
    EXPECT_EQ(splash.Label1->text(), QStringLiteral("正在启动、扫描中，请稍后！"));
    EXPECT_EQ(splash.lblWarning->text(), QStringLiteral("欢迎您使用！"));
    QTest::keyClick(&splash, Qt::Key_A);
    EXPECT_FALSE(splash.isVisible());
}

TEST(SplashTest, OnlyAClickOnTheFrameItselfClosesIt)
{
    frmSplash splash;
    splash.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&splash));
    QTest::mouseClick(splash.Label1, Qt::LeftButton);
    QTest::mouseClick(splash.imgLogo, Qt::LeftButton);
    EXPECT_TRUE(splash.isVisible());
    QTest::mouseClick(splash.Frame1, Qt::LeftButton, {}, QPoint(4, splash.Frame1->height() - 4));
    EXPECT_FALSE(splash.isVisible());
}

} // namespace
