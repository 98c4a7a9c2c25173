#include "platform/native_path.h"
#include "platform/settings_store.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace veskor;

TEST(IniSettingsStore, ReadGivesTheDefaultUntilWrittenAndAWriteIsOnDiskAtOnce)
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/settings.ini";
    IniSettingsStore store(file);
    EXPECT_EQ(store.read("saomiao", "/default"), "/default");
    store.write("saomiao", "/home/老师/课件, 第一册");
    store.write("splitterleft", "2280");

    IniSettingsStore reopened(file);
    EXPECT_EQ(reopened.read("saomiao", "/default"), "/home/老师/课件, 第一册");
    EXPECT_EQ(reopened.read("splitterleft", ""), "2280");
    QFile raw(file);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_TRUE(raw.readAll().contains("[Settings]"));
}

TEST(IniSettingsStore, PathsThatAreNotUtf8RoundTrip)
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/settings.ini";
    const QString path = pathFromNative("/data/bad\xff\xfe 课件");
    IniSettingsStore(file).write("saomiao", path);
    EXPECT_EQ(nativeFromPath(IniSettingsStore(file).read("saomiao", "")), "/data/bad\xff\xfe 课件");
}

TEST(IniSettingsStore, UserStoreLivesInTheConfigurationFolder)
{
    IniSettingsStore store;
    EXPECT_TRUE(store.fileName().endsWith("Veskor/Veskor.ini")) << store.fileName().toStdString();
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!configHome.isEmpty()) {
        EXPECT_TRUE(store.fileName().startsWith(configHome));
    }
    store.write("jiaocaibanben", "/x/目录.txt");
    EXPECT_EQ(IniSettingsStore().read("jiaocaibanben", ""), "/x/目录.txt");
}
