#include "platform/native_path.h"
#include "web/launcher.h"
#include "web/recording_launcher.h"
#include "web/search_urls.h"

#include <gtest/gtest.h>

using namespace veskor;

namespace {
const QString S = siteRoot();
}

TEST(SearchUrls, EndpointsAreAbsoluteAndSiteNameDropsTheFinalSeparator)
{
    EXPECT_TRUE(S.startsWith("https://") && S.endsWith("/"));
    EXPECT_EQ(siteName() + "/", S);
    EXPECT_TRUE(navigationPage().startsWith("https://") && navigationPage().endsWith("/"));
    EXPECT_TRUE(forumPage().endsWith("/bbs/forumdisplay.php?fid=14"));
}

TEST(SearchUrls, KeywordsGoInVerbatim)
{
    struct Case {
        QString built;
        QString expected;
    } cases[] = {
        {keywordSearch("三角形"), S + "?q=三角形"},
        {keywordSearch(" a & b #c? "), S + "?q= a & b #c? "},
        {typedSearch("a b&c", "swf"), S + "?q=a b&c&ft=swf"},
        {typedSearch("", "ppt"), S + "?q=&ft=ppt"},
        {typedSearch("输入课件标题", "ppt"), S + "?q=输入课件标题&ft=ppt"},
        {typedSearch("x", ""), S + "?q=x&ft="},
        {typeBrowse("doc"), S + "?ft=doc"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.built, c.expected);
}

TEST(SearchUrls, TypeValuesAreExactLowerCase)
{
    for (const char* yes : {"swf", "doc", "ppt"})
        EXPECT_TRUE(isTypeValue(yes)) << yes;
    for (const char* no : {"SWF", "Swf", "folder", "iesearch", "", " swf", "txt"})
        EXPECT_FALSE(isTypeValue(no)) << no;
}

TEST(SearchUrls, SearchButtonIsTypedOnlyForATypedNode)
{
    const QString swf = "swf", folder = "folder", upper = "SWF", search = "iesearch";
    EXPECT_EQ(command1Address("三角形", &swf), S + "?q=三角形&ft=swf");
    EXPECT_EQ(command1Address("三角形", &folder), S + "?q=三角形");
    EXPECT_EQ(command1Address("三角形", &search), S + "?q=三角形");
    EXPECT_EQ(command1Address("三角形", &upper), S + "?q=三角形");
    EXPECT_EQ(command1Address("三角形", nullptr), S + "?q=三角形");
}

TEST(SearchUrls, FindMoreFallsBackToTheFilterAndAlwaysNamesAType)
{
    EXPECT_EQ(menusearchAddress("第一章", "folder", ""), S + "?q=第一章&ft=");
    EXPECT_EQ(menusearchAddress("第一章", "folder", "ppt"), S + "?q=第一章&ft=ppt");
    EXPECT_EQ(menusearchAddress("教案", "doc", "swf"), S + "?q=教案&ft=doc");
    EXPECT_EQ(menusearchAddress("Lesson", "SWF", "ppt"), S + "?q=Lesson&ft=ppt");
}

TEST(Launcher, WebAddressesEncodeOnlyWhatAUrlCannotHold)
{
    EXPECT_EQ(urlForLaunch("https://so.veskor.net/?q=a b&ft=swf").toEncoded(),
              QByteArray("https://so.veskor.net/?q=a%20b&ft=swf"));
    EXPECT_EQ(urlForLaunch("https://so.veskor.net/?q=三角").toEncoded(),
              QByteArray("https://so.veskor.net/?q=%E4%B8%89%E8%A7%92"));
    // "#" stays: it starts the fragment, as it would in the address bar.
    const QUrl fragment = urlForLaunch("https://so.veskor.net/?q=c#sharp");
    EXPECT_EQ(fragment.query(), "q=c");
    EXPECT_EQ(fragment.fragment(), "sharp");
    EXPECT_EQ(urlForLaunch("https://so.veskor.net/?q=%26").toEncoded(), QByteArray("https://so.veskor.net/?q=%26"));
}

TEST(Launcher, LocalPathsBecomeFileUrlsFromTheirBytes)
{
    const QUrl url = urlForLaunch(pathFromNative("/tmp/课 件/bad\xff.doc"));
    EXPECT_TRUE(url.isLocalFile());
    EXPECT_EQ(url.toEncoded(), QByteArray("file:///tmp/%E8%AF%BE%20%E4%BB%B6/bad%FF.doc"));
}

TEST(Launcher, BrowserProgramComesFromTheEnvironmentFirst)
{
    EXPECT_EQ(browserProgram("firefox", true), "firefox");
    EXPECT_EQ(browserProgram("chromium --incognito:firefox", false), "chromium");
    EXPECT_EQ(browserProgram("", true), "x-www-browser");
    EXPECT_EQ(browserProgram("  ", false), "xdg-open");
}

TEST(Launcher, RecordingLauncherKeepsCallsInOrder)
{
    RecordingLauncher launcher;
    Launcher& base = launcher;
    base.openurl("a");
    base.openinbrowser("b", SW_MINIMIZE);
    ASSERT_EQ(launcher.calls.size(), 2u);
    EXPECT_EQ(launcher.calls[0], (RecordingLauncher::Call{RecordingLauncher::Call::OpenUrl, "a", SW_SHOWNORMAL}));
    EXPECT_EQ(*launcher.last(), (RecordingLauncher::Call{RecordingLauncher::Call::OpenInBrowser, "b", SW_MINIMIZE}));
}
