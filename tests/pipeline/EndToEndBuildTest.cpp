// Whole builds through our own `hdiutil`, the finished images opened by readers that
// are not ours: 7-Zip, libfshfs and Python's plistlib.
#include "pipeline/DMGBuilder.h"
#include "dsstore/DSStoreReader.h"
#include "support/QtPrinters.h"
#include "support/Shell.h"
#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace vorlap;
using namespace vorlap::test;

namespace {

class EndToEndBuild : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root.isValid());
        for (const char* name : {"PATH", "TMPDIR", "XDG_STATE_HOME"})
            saved.emplace_back(name, qgetenv(name));
        qputenv("PATH", QByteArray(VORLAP_BIN_DIR) + ':' + qgetenv("PATH"));
        qputenv("TMPDIR", QFile::encodeName(path("tmp")));
        qputenv("XDG_STATE_HOME", QFile::encodeName(path("state")));
        QDir().mkpath(path("tmp"));
        QDir().mkpath(path("in/Sample.app/Contents/MacOS"));
        write("in/Sample.app/Contents/MacOS/Sample", "#!/bin/sh\n");
        ::chmod(QFile::encodeName(path("in/Sample.app/Contents/MacOS/Sample")).constData(), 0755);
        write("in/Sample.app/Contents/Info.plist", "<plist/>");

        config.appPath = path("in/Sample.app");
        config.outputPath = path("Sample.dmg");
        config.volumeName = QStringLiteral("Sample");
        config.windowSize = {540, 380};
        config.iconPositions = {{180, 190}, {600, -5}};
        config.iconSize = 128;
        builder.onProgress = [this](const QString& message) { progress << message; };
    }

    void TearDown() override
    {
        for (const auto& [name, value] : saved)
            qputenv(name, value);
    }

    QString path(const QString& relative) const { return root.path() + "/" + relative; }

    void write(const QString& relative, const QByteArray& bytes) const
    {
        QFile file(path(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // Builds, checks the image's own checksums and unpacks it with 7-Zip.
    QString buildAndExtract()
    {
        const auto built = builder.build(config);
        EXPECT_TRUE(built) << (built ? "" : built.error().description().toStdString());
        const ShellResult tested = runProgram({"7zz", "t", "-tdmg", config.outputPath.toStdString()});
        EXPECT_NE(tested.output.find("Everything is Ok"), std::string::npos) << tested.output;
        EXPECT_EQ(tested.output.find("WARNING"), std::string::npos) << tested.output;
        const ShellResult extracted = runProgram({"7zz", "x", "-snld", "-o" + path("x").toStdString(), config.outputPath.toStdString()});
        EXPECT_EQ(extracted.exitCode, 0) << extracted.output;
        runProgram({"dmg2img", "-i", config.outputPath.toStdString(), "-o", path("raw.img").toStdString()});
        return path("x/") + config.volumeName;
    }

    // What libfshfs says about an item: its catalog node ID and link target.
    std::string fshfsEntry(const std::string& item) const
    {
        return runProgram({"fshfsinfo", "-F", item, path("raw.img").toStdString()}).output;
    }

    uint32_t catalogId(const std::string& item) const
    {
        const auto match = QRegularExpression("\\tIdentifier\\t+: (\\d+)").match(QString::fromStdString(fshfsEntry(item)));
        EXPECT_TRUE(match.hasMatch()) << item;
        return match.captured(1).toUInt();
    }

    QTemporaryDir root;
    std::vector<std::pair<const char*, QByteArray>> saved;
    BuildConfig config;
    DMGBuilder builder;
    QStringList progress;
};

QMap<QString, QJsonObject> recordsByKey(const QString& dsStore)
{
    QMap<QString, QJsonObject> byKey;
    for (const auto& r : readDSStoreFile(dsStore.toStdString())["records"].toArray())
        byKey[r.toObject()["name"].toString() + "/" + r.toObject()["code"].toString()] = r.toObject();
    return byKey;
}

} // namespace

TEST_F(EndToEndBuild, WithoutBackground)
{
    const QString volume = buildAndExtract();
    EXPECT_EQ(progress, (QStringList{"Creating temporary DMG...", "Mounting...", "Copying files...", "Writing .DS_Store...",
                                     "Detaching...", "Compressing...", "Done!"}));

    const std::string info = runProgram({"fshfsinfo", path("raw.img").toStdString()}).output;
    EXPECT_NE(info.find("Name\t\t\t\t: Sample\n"), std::string::npos) << info;
    EXPECT_TRUE(QFileInfo(volume + "/Sample.app/Contents/MacOS/Sample").permissions() & QFile::ExeOwner);
    EXPECT_NE(fshfsEntry("/Applications").find("Symbolic link target\t: /Applications\n"), std::string::npos);
    EXPECT_FALSE(QFileInfo::exists(volume + "/.background"));

    const auto records = recordsByKey(volume + "/.DS_Store");
    EXPECT_EQ(records.size(), 6);
    EXPECT_EQ(records["./bwsp"]["value"].toObject()["plist"].toObject()["WindowBounds"].toString(), "{{100, 100}, {540, 408}}");
    const QJsonObject view = records["./icvp"]["value"].toObject()["plist"].toObject();
    EXPECT_EQ(view.size(), 16);
    EXPECT_EQ(view["backgroundType"].toObject()["integer"].toInt(-1), 0);
    EXPECT_EQ(records["Sample.app/Iloc"]["value"].toObject()["hex"].toString().left(16), "000000b4000000be");
    // (600, -5) pulled half an icon inside: (476, 64).
    EXPECT_EQ(records["Applications/Iloc"]["value"].toObject()["hex"].toString().left(16), "000001dc00000040");
    EXPECT_TRUE(records.contains("./vSrn") && records.contains("./icvl"));
}

TEST_F(EndToEndBuild, WithBackgroundTheAliasFindsThePicture)
{
    QImage picture(1600, 900, QImage::Format_RGB32);
    picture.fill(QColor(200, 60, 30));
    ASSERT_TRUE(picture.save(path("in/picture.jpg")));
    config.backgroundImagePath = path("in/picture.jpg");

    const QString volume = buildAndExtract();
    EXPECT_EQ(progress.indexOf("Preparing background..."), 3);
    EXPECT_EQ(progress.last(), "Done!");

    const QStringList pictures = QDir(volume + "/.background").entryList(QDir::Files | QDir::Hidden);
    ASSERT_EQ(pictures.size(), 1);
    EXPECT_TRUE(QRegularExpression("^background-[0-9a-f]{16}\\.png$").match(pictures[0]).hasMatch()) << pictures[0].toStdString();
    QFile png(volume + "/.background/" + pictures[0]);
    ASSERT_TRUE(png.open(QIODevice::ReadOnly));
    EXPECT_TRUE(png.peek(8) == QByteArray("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(QImage(png.fileName()).size(), QSize(540, 380));

    const QJsonObject view = recordsByKey(volume + "/.DS_Store")["./icvp"]["value"].toObject()["plist"].toObject();
    EXPECT_EQ(view["backgroundType"].toObject()["integer"].toInt(), 2);
    const QByteArray alias = QByteArray::fromBase64(view["backgroundImageAlias"].toObject()["data"].toString().toLatin1());
    ASSERT_GT(alias.size(), 150);
    EXPECT_EQ(alias.mid(11, 6), "Sample");
    EXPECT_EQ(alias.mid(51, static_cast<uint8_t>(alias[50])), pictures[0].toUtf8());
    // The IDs the alias recorded while the volume was attached are the image's catalog IDs.
    const uint32_t folderId = qFromBigEndian<uint32_t>(alias.constData() + 46);
    const uint32_t fileId = qFromBigEndian<uint32_t>(alias.constData() + 114);
    EXPECT_NE(folderId, 0u);
    EXPECT_EQ(folderId, catalogId("/.background"));
    EXPECT_EQ(fileId, catalogId("/.background/" + pictures[0].toStdString()));
}
