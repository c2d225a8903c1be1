// The whole journey a user takes, through the `vorlap build` program and our own `hdiutil`:
// an application with executable bits, links, a large file, non-ASCII names and an icon, a
// saved layout and a background picture large enough for a Retina screen. The finished image is read only by readers that are
// not ours: 7-Zip, dmg2img, libfshfs, Python (layout records) and the Linux kernel's
// hfsplus driver.
#include "dsstore/DSStoreReader.h"
#include "support/QtPrinters.h"
#include "support/SevenZip.h"
#include "support/Shell.h"
#include "support/TestEnvironment.h"
#include "support/TestPaths.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QImage>
#include <QJsonArray>
#include <QRegularExpression>
#include <QtEndian>

#include <gtest/gtest.h>

#include <map>

using namespace vorlap::test;

namespace {

// Path -> content hash and executable bit (files), link target (links) or "dir".
std::map<QString, QString> describeTree(const QString& top)
{
    std::map<QString, QString> items;
    QDirIterator it(top, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QFileInfo info(file);
        const QString relative = file.mid(top.size() + 1).normalized(QString::NormalizationForm_C);
        if (info.isSymLink())
            items[relative] = "-> " + info.symLinkTarget().mid(QFileInfo(file).absolutePath().size() + 1);
        else if (info.isDir())
            items[relative] = "dir";
        else
            items[relative] = QCryptographicHash::hash(readFile(file), QCryptographicHash::Sha256).toHex() +
                              (info.permissions() & QFile::ExeOwner ? " x" : "");
    }
    return items;
}

QMap<QString, QJsonObject> recordsByKey(const QString& dsStore)
{
    QMap<QString, QJsonObject> byKey;
    for (const auto& r : readDSStoreFile(dsStore.toStdString())["records"].toArray())
        byKey[r.toObject()["name"].toString() + "/" + r.toObject()["code"].toString()] = r.toObject();
    return byKey;
}

// What libfshfs calls an item's catalog node ID.
uint32_t fshfsCatalogId(const std::string& raw, const std::string& item)
{
    const std::string entry = runProgram({"fshfsinfo", "-F", item, raw}).output;
    const auto match = QRegularExpression("\\tIdentifier\\t+: (\\d+)").match(QString::fromStdString(entry));
    EXPECT_TRUE(match.hasMatch()) << item << "\n" << entry;
    return match.captured(1).toUInt();
}

} // namespace

TEST(EndToEndBuild, ProgramBuildsAnImageEveryIndependentReaderAccepts)
{
    BuildCorner corner(DiskTool::real);
    // The application grows what matters to a copy: a link inside the bundle, a hidden file,
    // data spanning several compressed chunks and a name in both accents and CJK.
    QByteArray big(3 * 1024 * 1024 + 17, '\0');
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>((i * 7919) >> 5);
    writeFile(corner.appPath() + "/Contents/Resources/data.bin", big);
    writeFile(corner.appPath() + "/Contents/Resources/.hidden", "h");
    writeFile(corner.appPath() + QString::fromUtf8("/Contents/Resources/R\u00e9sum\u00e9 \u65e5\u672c.txt"),
              "accents\n");
    QFile::link("MacOS/Sample", corner.appPath() + "/Contents/run");
    // Its icon becomes the volume's.
    writeFile(corner.appPath() + "/Contents/Info.plist",
              "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleIconFile</key>"
              "<string>Sample</string></dict></plist>");
    writeFile(corner.appPath() + "/Contents/Resources/Sample.icns", "icns\0\0\0\x10 not decoded here");
    const auto expectedApp = describeTree(corner.appPath());
    QImage picture(1600, 900, QImage::Format_RGB32);
    picture.fill(QColor(200, 60, 30));
    ASSERT_TRUE(picture.save(corner.path("in/picture.jpg")));
    // (600, -5) lies outside the window: it is pulled half an icon inside, to (476, 64).
    writeFile(corner.path("in/layout.vorlap"), R"({"appName": "Sample", "windowSize": [540, 380],
        "iconPositions": {"app": [180, 190], "applications": [600, -5]}, "iconSize": 128})");

    const std::string image = corner.path("out/Sample.dmg").toStdString();
    const ShellResult built = runProgram({binaryPath("vorlap"), "build", "--app", corner.appPath().toStdString(),
                                          "--output", image, "--project", corner.path("in/layout.vorlap").toStdString(),
                                          "--background", corner.path("in/picture.jpg").toStdString()});
    ASSERT_EQ(built.exitCode, 0) << built.output;
    EXPECT_EQ(built.output,
              "Creating temporary DMG...\nMounting...\nCopying files...\nPreparing background...\n"
              "Writing .DS_Store...\nDetaching...\nCompressing...\nDone!\n");
    // Nothing of the build is left in the temporary folder, nor attached.
    QStringList left = QDir(corner.path("tmp")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    left.removeAll("Volumes");
    EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString();
    EXPECT_TRUE(QDir(corner.path("xdg-state/vorlap/hdiutil")).entryList(QDir::Files).isEmpty());

    // 7-Zip: every checksum, then the files themselves, bits and bundle links included.
    expectSevenZipHappy(image, "dmg");
    const ShellResult extracted = runProgram({"7zz", "x", "-snld", "-o" + corner.path("x").toStdString(), image});
    ASSERT_EQ(extracted.exitCode, 0) << extracted.output;
    const QString volume = corner.path("x/Sample");
    EXPECT_EQ(describeTree(volume + "/Sample.app"), expectedApp);

    const QStringList pictures = QDir(volume + "/.background").entryList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(pictures.size(), 1);
    // 1600 × 900 holds a 2× window (its crop is 1280 × 900): a TIFF of both sizes.
    EXPECT_TRUE(QRegularExpression("^background-[0-9a-f]{16}\\.tiff$").match(pictures[0]).hasMatch())
        << pictures[0].toStdString();
    const std::string tiff = runProgram({"tiffinfo", (volume + "/.background/" + pictures[0]).toStdString()}).output;
    EXPECT_NE(tiff.find("Image Width: 540 Image Length: 380\n  Resolution: 72, 72 pixels/inch"), std::string::npos)
        << tiff;
    EXPECT_NE(tiff.find("Image Width: 1080 Image Length: 760\n  Resolution: 144, 144 pixels/inch"), std::string::npos)
        << tiff;

    // The volume's icon is the app's, and hidden from the layout.
    EXPECT_EQ(readFile(volume + "/.VolumeIcon.icns"), readFile(corner.appPath() + "/Contents/Resources/Sample.icns"));

    // Python reads the layout records: window, view and both icons exactly.
    const auto records = recordsByKey(volume + "/.DS_Store");
    EXPECT_EQ(records.size(), 6);
    EXPECT_TRUE(records.contains("./vSrn") && records.contains("./icvl"));
    EXPECT_EQ(records["./bwsp"]["value"].toObject()["plist"].toObject()["WindowBounds"].toString(),
              "{{100, 100}, {540, 408}}");
    EXPECT_EQ(records["Sample.app/Iloc"]["value"].toObject()["hex"].toString().left(16), "000000b4000000be");
    EXPECT_EQ(records["Applications/Iloc"]["value"].toObject()["hex"].toString().left(16), "000001dc00000040");
    const QJsonObject view = records["./icvp"]["value"].toObject()["plist"].toObject();
    EXPECT_EQ(view.size(), 17); // the sixteen view properties and the alias
    EXPECT_EQ(view["backgroundType"].toObject()["integer"].toInt(), 2);
    const QByteArray alias =
        QByteArray::fromBase64(view["backgroundImageAlias"].toObject()["data"].toString().toLatin1());
    ASSERT_GT(alias.size(), 150);
    EXPECT_EQ(alias.mid(11, 6), "Sample");
    EXPECT_EQ(alias.mid(51, static_cast<uint8_t>(alias[50])), pictures[0].toUtf8());

    // libfshfs on the raw volume dmg2img unpacks: the link, and the catalog IDs
    // the alias recorded while the volume was attached.
    const std::string raw = corner.path("raw.img").toStdString();
    const ShellResult unpacked = runProgram({"dmg2img", "-i", image, "-o", raw});
    ASSERT_EQ(unpacked.exitCode, 0) << unpacked.output;
    EXPECT_NE(
        runProgram({"fshfsinfo", "-F", "/Applications", raw}).output.find("Symbolic link target\t: /Applications\n"),
        std::string::npos);
    const uint32_t folderId = qFromBigEndian<uint32_t>(alias.constData() + 46);
    EXPECT_NE(folderId, 0u);
    EXPECT_EQ(folderId, fshfsCatalogId(raw, "/.background"));
    EXPECT_EQ(qFromBigEndian<uint32_t>(alias.constData() + 114),
              fshfsCatalogId(raw, "/.background/" + pictures[0].toStdString()));

    // The real Linux driver mounts it clean and reads every file (the volume tests hold its
    // item numbers against the catalog's).
    const ShellResult kernel = runProgram({toolPath("kernel-hfsplus-check"), image});
    EXPECT_EQ(kernel.exitCode, 0) << kernel.output;
    EXPECT_NE(kernel.output.find("read_errors=0 hfs_kmsgs=0"), std::string::npos) << kernel.output;
    EXPECT_NE(kernel.output.find(expectedApp.at("Contents/Resources/data.bin").left(64).toStdString()),
              std::string::npos);
}

// With SOURCE_DATE_EPOCH the image is a function of its inputs: a second build from a copy
// of the app (new item numbers and creation times, listed in another order), in other work
// and output folders, later and on one core, gives the same bytes. The image is still one
// the independent readers accept, its alias naming the catalog's IDs, and a date older
// than the epoch survives.
TEST(EndToEndBuild, SourceDateEpochMakesTheImageAFunctionOfItsInputs)
{
    BuildCorner corner(DiskTool::real);
    corner.set("SOURCE_DATE_EPOCH", "1700000000");
    for (const char* name : {"b/z.txt", "b/a.txt", "a/deep/x.bin", "A1.txt", "c.txt"})
        writeFile(corner.appPath() + "/Contents/Resources/" + name, QByteArray(name) + QByteArray(5000, 'r'));
    ASSERT_EQ(runProgram({"touch", "-h", "-d", "2001-02-03 04:05:06Z",
                          corner.appPath().toStdString() + "/Contents/Resources/c.txt"})
                  .exitCode,
              0);
    QImage picture(1200, 800, QImage::Format_ARGB32);
    picture.fill(QColor(20, 90, 160, 200));
    ASSERT_TRUE(picture.save(corner.path("in/picture.png")));
    const auto build = [&](const QString& app, const QString& output, std::vector<std::string> prefix) {
        prefix.insert(prefix.end(),
                      {binaryPath("vorlap"), "build", "--app", app.toStdString(), "--output", output.toStdString(),
                       "--background", corner.path("in/picture.png").toStdString()});
        QDir().mkpath(QFileInfo(output).path());
        const ShellResult built = runProgram(prefix);
        EXPECT_EQ(built.exitCode, 0) << built.output;
        return readFile(output);
    };
    const QByteArray first = build(corner.appPath(), corner.path("out1/Sample.dmg"), {});

    // The copy: files created in reverse order, so a folder lists them differently.
    const QString copy = corner.path("elsewhere/Sample.app");
    QStringList files;
    QDirIterator it(corner.appPath(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.prepend(it.next().mid(corner.appPath().size()));
    for (const QString& file : files) {
        QDir().mkpath(QFileInfo(copy + file).path());
        ASSERT_EQ(
            runProgram({"cp", "-p", (corner.appPath() + file).toStdString(), (copy + file).toStdString()}).exitCode, 0);
    }
    corner.setPath("TMPDIR", corner.path("tmp-second"));
    const bool oneCore = runProgram({"taskset", "-c", "0", "true"}).exitCode == 0;
    const QByteArray second =
        build(copy, corner.path("out2/Sample.dmg"),
              oneCore ? std::vector<std::string>{"taskset", "-c", "0"} : std::vector<std::string>{});
    ASSERT_FALSE(first.isEmpty());
    EXPECT_TRUE(first == second) << "the two builds differ";

    const std::string image = corner.path("out1/Sample.dmg").toStdString();
    expectSevenZipHappy(image, "dmg");
    ASSERT_EQ(runProgram({"7zz", "x", "-o" + corner.path("x").toStdString(), image}).exitCode, 0);
    const QStringList pictures = QDir(corner.path("x/Sample/.background")).entryList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(pictures.size(), 1);
    const auto records = recordsByKey(corner.path("x/Sample/.DS_Store"));
    const QByteArray alias = QByteArray::fromBase64(records["./icvp"]["value"]
                                                        .toObject()["plist"]
                                                        .toObject()["backgroundImageAlias"]
                                                        .toObject()["data"]
                                                        .toString()
                                                        .toLatin1());
    ASSERT_GT(alias.size(), 150);
    const std::string raw = corner.path("raw.img").toStdString();
    ASSERT_EQ(runProgram({"dmg2img", "-i", image, "-o", raw}).exitCode, 0);
    EXPECT_EQ(qFromBigEndian<uint32_t>(alias.constData() + 46), fshfsCatalogId(raw, "/.background"));
    EXPECT_EQ(qFromBigEndian<uint32_t>(alias.constData() + 114),
              fshfsCatalogId(raw, "/.background/" + pictures[0].toStdString()));
    const std::string old = runProgram({"fshfsinfo", "-F", "/Sample.app/Contents/Resources/c.txt", raw}).output;
    EXPECT_NE(old.find("Modification time\t: Feb 03, 2001 04:05:06"), std::string::npos) << old;
    EXPECT_NE(old.find("Owner identifier\t: 99"), std::string::npos) << old;
    const ShellResult kernel = runProgram({toolPath("kernel-hfsplus-check"), image});
    EXPECT_NE(kernel.output.find("read_errors=0 hfs_kmsgs=0"), std::string::npos) << kernel.output;
}
