// The application's own icon: CFBundleIconFile from an XML or binary Info.plist,
// the .icns decoded through Qt's plugin, and the drawn icons when there is none.
#include "project/BundleIconFile.h"
#include "support/Shell.h"
#include "support/TestEnvironment.h"
#include "support/TestPaths.h"
#include "ui/AppBundleIcon.h"
#include "ui/DrawnIcons.h"
#include "ui/FileIcons.h"

#include <QDir>
#include <QImageWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vorlap;

namespace {

class AppBundleIconTest : public ::testing::Test {
protected:
    // A bundle whose Info.plist holds `plist` (XML naming `iconFile`, unless given whole)
    // and whose Resources hold a red `icon`.
    QString bundle(const char* name, const QByteArray& plist, const QString& icon = {})
    {
        const QString path = dir.filePath(QString::fromUtf8(name));
        const bool whole = plist.isEmpty() || plist.contains('<') || plist.contains('\0');
        test::writeFile(path + "/Contents/Info.plist", whole ? plist : xmlPlist(plist));
        if (!icon.isEmpty())
            writeIcns(path + "/Contents/Resources/" + icon, Qt::red);
        return path;
    }

    static void writeIcns(const QString& path, QColor colour)
    {
        QImage image(256, 256, QImage::Format_ARGB32);
        image.fill(colour);
        QDir().mkpath(QFileInfo(path).path());
        QImageWriter writer(path, "icns");
        EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    }

    static QByteArray xmlPlist(const QByteArray& iconFile)
    {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict><key>CFBundleName</key>"
               "<string>X</string><key>CFBundleIconFile</key><string>" + iconFile + "</string></dict></plist>";
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(AppBundleIconTest, ReadsTheSampleBundleAndABinaryPlistWrittenByPython)
{
    const QString sample = QString::fromStdString(test::sourcePath("examples/Sample.app"));
    EXPECT_TRUE(bundleIconFile(sample).endsWith("Contents/Resources/Sample.icns"));
    EXPECT_GE(AppBundleIcon::load(sample).width(), 128);

    const QString path = bundle("Bin.app", {}, "Tool.icns");
    const auto result = test::runProgram(
        {"python3", "-c",
         "import plistlib, sys\n"
         "open(sys.argv[1], 'wb').write(plistlib.dumps({'CFBundleIconFile': 'Tool.icns', 'CFBundleName': 'B'},"
         " fmt=plistlib.FMT_BINARY))",
         (path + "/Contents/Info.plist").toStdString()});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(AppBundleIcon::load(path).pixelColor(128, 128), QColor(Qt::red));
}

TEST_F(AppBundleIconTest, IconFileIsFoundInResourcesOnlyElseTheDrawnIconShows)
{
    const QString plain = bundle("Plain.app", "AppIcon", "AppIcon.icns"); // no extension: .icns
    EXPECT_EQ(bundleIconFile(plain), plain + "/Contents/Resources/AppIcon.icns");

    EXPECT_TRUE(AppBundleIcon::load(bundle("Missing.app", "Gone")).isNull());
    EXPECT_TRUE(AppBundleIcon::load(bundle("Garbage.app", QByteArray("\x00\x01 not a plist", 15))).isNull());
    EXPECT_TRUE(AppBundleIcon::load(bundle("NoKey.app", "<plist><dict></dict></plist>")).isNull());
    // Names that would leave Resources are not followed.
    const QString escape = bundle("Escape.app", "../Outside.icns");
    writeIcns(escape + "/Contents/Outside.icns", Qt::blue);
    EXPECT_TRUE(bundleIconFile(escape).isEmpty());

    // Without an icon of its own, an application gets the drawn one.
    FileIcons icons;
    const QImage generic = icons.application(dir.filePath("NoBundle.app"), 64);
    EXPECT_EQ(generic, DrawnIcons::genericApplication(64).convertToFormat(QImage::Format_ARGB32_Premultiplied));
    const QImage own = icons.application(bundle("Own.app", "Own.icns", "Own.icns"), 64);
    ASSERT_EQ(own.size(), QSize(64, 64));
    EXPECT_EQ(own.pixelColor(32, 32), QColor(Qt::red));
}
