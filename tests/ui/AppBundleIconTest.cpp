// The application's own icon: CFBundleIconFile from an XML or binary Info.plist,
// the .icns decoded through Qt's plugin, and the drawn icons when there is none.
#include "support/Shell.h"
#include "support/TestPaths.h"
#include "ui/AppBundleIcon.h"
#include "ui/DrawnIcons.h"
#include "ui/FileIcons.h"

#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vorlap;

namespace {

class AppBundleIconTest : public ::testing::Test {
protected:
    // A bundle whose Info.plist holds `plist` and whose Resources hold `files`.
    QString bundle(const char* name, const QByteArray& plist, const QStringList& icons = {})
    {
        const QString path = dir.filePath(QString::fromUtf8(name));
        EXPECT_TRUE(QDir().mkpath(path + "/Contents/Resources"));
        QFile info(path + "/Contents/Info.plist");
        EXPECT_TRUE(info.open(QIODevice::WriteOnly));
        info.write(plist);
        for (const QString& icon : icons)
            writeIcns(path + "/Contents/Resources/" + icon, Qt::red);
        return path;
    }

    static void writeIcns(const QString& path, QColor colour)
    {
        QImage image(256, 256, QImage::Format_ARGB32);
        image.fill(colour);
        QImageWriter writer(path, "icns");
        EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    }

    static QByteArray xmlPlist(const char* iconFile)
    {
        return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                          "<key>CFBundleName</key><string>X</string><key>CFBundleIconFile</key><string>") +
               iconFile + "</string></dict></plist>";
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(AppBundleIconTest, ReadsTheSampleBundlesIcon)
{
    const QString sample = QString::fromStdString(test::sourcePath("examples/Sample.app"));
    EXPECT_TRUE(AppBundleIcon::iconFilePath(sample).endsWith("Contents/Resources/Sample.icns"));
    const QImage icon = AppBundleIcon::load(sample);
    ASSERT_FALSE(icon.isNull());
    EXPECT_GE(icon.width(), 128);
}

TEST_F(AppBundleIconTest, BinaryPlistWrittenByPython)
{
    const QString path = bundle("Bin.app", {}, {"Tool.icns"});
    const std::string plist = (path + "/Contents/Info.plist").toStdString();
    const auto result = test::runProgram(
        {"python3", "-c",
         "import plistlib, sys\n"
         "open(sys.argv[1], 'wb').write(plistlib.dumps({'CFBundleIconFile': 'Tool.icns', 'CFBundleName': 'B'},"
         " fmt=plistlib.FMT_BINARY))",
         plist});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const QImage icon = AppBundleIcon::load(path);
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.pixelColor(128, 128), QColor(Qt::red));
}

TEST_F(AppBundleIconTest, NameWithoutExtensionGetsIcns)
{
    const QString path = bundle("Plain.app", xmlPlist("AppIcon"), {"AppIcon.icns"});
    EXPECT_EQ(AppBundleIcon::iconFilePath(path), path + "/Contents/Resources/AppIcon.icns");
}

TEST_F(AppBundleIconTest, NoIconWithoutAUsableEntry)
{
    EXPECT_TRUE(AppBundleIcon::load(bundle("Missing.app", xmlPlist("Gone"))).isNull());
    EXPECT_TRUE(AppBundleIcon::load(bundle("Garbage.app", "\x00\x01 not a plist")).isNull());
    EXPECT_TRUE(AppBundleIcon::load(bundle("NoKey.app", "<plist><dict></dict></plist>")).isNull());
    EXPECT_TRUE(AppBundleIcon::load(dir.filePath("NoBundle.app")).isNull());
    // Names that would leave Resources are not followed.
    const QString escape = bundle("Escape.app", xmlPlist("../Outside.icns"));
    writeIcns(escape + "/Contents/Outside.icns", Qt::blue);
    EXPECT_TRUE(AppBundleIcon::iconFilePath(escape).isEmpty());
}

TEST_F(AppBundleIconTest, FileIconsFallBackToDrawnIcons)
{
    FileIcons icons;
    const QImage generic = icons.application(dir.filePath("NoBundle.app"), 64);
    EXPECT_EQ(generic, DrawnIcons::genericApplication(64).convertToFormat(QImage::Format_ARGB32_Premultiplied));
    const QImage own = icons.application(bundle("Own.app", xmlPlist("Own.icns"), {"Own.icns"}), 64);
    ASSERT_EQ(own.size(), QSize(64, 64));
    EXPECT_EQ(own.pixelColor(32, 32), QColor(Qt::red));
    EXPECT_EQ(icons.applicationsFolder(48).size(), QSize(48, 48));
}
