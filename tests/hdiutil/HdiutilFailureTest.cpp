// Every verb refuses bad input with one clear error line and a non-zero status, leaves
// no partial output and nothing attached.
#include "HdiutilFixture.h"

using namespace vorlap::test;

namespace {

class HdiutilFailure : public HdiutilFixture {
protected:
    // Runs, expects failure with exactly one line "hdiutil: VERB failed - ..." containing `reason`.
    void fails(const std::vector<std::string>& arguments, const std::string& reason) const
    {
        const ShellResult result = hdiutil(arguments);
        EXPECT_EQ(result.exitCode, 1) << result.output;
        const std::string prefix = "hdiutil: " + arguments[0] + " failed - ";
        EXPECT_EQ(result.output.rfind(prefix, 0), 0u) << result.output;
        EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1) << result.output;
        EXPECT_NE(result.output.find(reason), std::string::npos) << "wanted \"" << reason << "\" in: " << result.output;
    }
};

} // namespace

TEST_F(HdiutilFailure, BadArgumentsForEachVerb)
{
    const std::string image = path("a.dmg");
    fails({"create", "-size", "16x", "-fs", "HFS+", "-volname", "V", image}, "invalid size");
    fails({"create", "-size", "16m", "-fs", "APFS", "-volname", "V", image}, "unsupported file system");
    fails({"create", "-fs", "HFS+", "-volname", "V", image}, "-size is required");
    fails({"create", "-size", "16m", "-fs", "HFS+", "-volname", "V"}, "missing");
    fails({"create", "-size", "16m", "-fs", "HFS+", "-bogus", image}, "unknown option -bogus");
    fails({"create", "-size", "8k", "-fs", "HFS+", "-volname", "V", image}, "too small");
    fails({"create", "-size", "16m", "-fs", "HFS+", "-volname", std::string(300, 'n'), image}, "too long");
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(image)));

    fails({"attach", image, "-mountpoint", path("m")}, "No such file");
    fails({"attach", image}, "-mountpoint is required");
    fails({"detach", path("m")}, "no image is attached");
    fails({"detach"}, "missing");
    fails({"convert", image, "-format", "UDZO", "-o", path("b.dmg")}, "No such file");
    ok({"create", "-size", "16m", "-fs", "HFS+", "-volname", "V", image});
    fails({"create", "-size", "16m", "-fs", "HFS+", "-volname", "V", image}, "File exists");
    fails({"convert", image, "-format", "UDBZ", "-o", path("b.dmg")}, "unsupported format");
    fails({"convert", image, "-format", "UDZO"}, "-o is required");
    fails({"convert", image, "-format", "UDZO", "-o", image}, "replace the image");
    EXPECT_FALSE(QFileInfo::exists(qpath("b.dmg")));

    const ShellResult unknown = hdiutil({"frobnicate"});
    EXPECT_EQ(unknown.exitCode, 1);
    const ShellResult help = hdiutil({"-help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("Usage: hdiutil"), std::string::npos);

    // -quiet silences even the error line.
    const ShellResult quiet = hdiutil({"detach", path("nowhere"), "-quiet"});
    EXPECT_EQ(quiet.exitCode, 1);
    EXPECT_EQ(quiet.output, "");
}

TEST_F(HdiutilFailure, OccupiedFoldersAndDoubleAttachments)
{
    const std::string image = path("a.dmg"), mount = path("m");
    ok({"create", "-size", "16m", "-fs", "HFS+", "-volname", "V", image});
    writeFile(qpath("busy/file"), "x");
    fails({"attach", image, "-mountpoint", path("busy")}, "in use");
    EXPECT_EQ(readFile(qpath("busy/file")), "x");

    ok({"attach", image, "-mountpoint", mount});
    fails({"attach", image, "-mountpoint", path("m2")}, "attached already");
    EXPECT_FALSE(QFileInfo::exists(qpath("m2")));
    ok({"create", "-size", "16m", "-fs", "HFS+", "-volname", "W", path("b.dmg")});
    fails({"attach", path("b.dmg"), "-mountpoint", mount}, "");
    fails({"convert", image, "-format", "UDZO", "-o", path("c.dmg")}, "detach it first");
    ok({"detach", mount});
    fails({"detach", mount}, "no image is attached");
}

TEST_F(HdiutilFailure, FullVolumeAtDetachKeepsEverything)
{
    const std::string image = path("a.dmg"), mount = path("m");
    ok({"create", "-size", "16m", "-fs", "HFS+", "-volname", "V", image});
    const QByteArray empty = readFile(QString::fromStdString(image));
    ok({"attach", image, "-mountpoint", mount});
    writeFile(QString::fromStdString(mount + "/big"), QByteArray(20 * 1024 * 1024, 'b'));

    fails({"detach", mount}, "not enough space");
    // Still attached, the folder intact, the image unchanged, no stray files beside it.
    EXPECT_EQ(QFileInfo(QString::fromStdString(mount + "/big")).size(), 20 * 1024 * 1024);
    EXPECT_EQ(readFile(QString::fromStdString(image)), empty);
    EXPECT_EQ(QDir(qpath("")).entryList(QDir::Files | QDir::Hidden), QStringList{"a.dmg"});

    QFile::remove(QString::fromStdString(mount + "/big"));
    writeFile(QString::fromStdString(mount + "/small"), "fits");
    ok({"detach", mount});
    ok({"attach", image, "-mountpoint", mount});
    EXPECT_EQ(readFile(QString::fromStdString(mount + "/small")), "fits");
    ok({"detach", mount});
}

TEST_F(HdiutilFailure, CorruptImagesAreRefused)
{
    const std::string image = path("a.dmg"), mount = path("m");
    ok({"create", "-size", "16m", "-fs", "HFS+", "-volname", "V", image});
    ok({"convert", image, "-format", "UDZO", "-o", path("z.dmg")});
    const QByteArray good = readFile(qpath("z.dmg"));

    // Truncated, and damaged in its compressed data.
    writeFile(qpath("truncated.dmg"), good.left(good.size() - 700));
    QByteArray damaged = good;
    for (qsizetype i = 100; i < 140; ++i)
        damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
    writeFile(qpath("damaged.dmg"), damaged);
    // A raw image whose volume header is gone.
    QByteArray noVolume = readFile(QString::fromStdString(image));
    noVolume.replace(1024, 512, QByteArray(512, '\0'));
    writeFile(qpath("blank.dmg"), noVolume);

    for (const char* name : {"truncated.dmg", "damaged.dmg", "blank.dmg"}) {
        SCOPED_TRACE(name);
        fails({"attach", path(std::string(name)), "-mountpoint", mount}, "");
        EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(mount)));
        if (std::string(name) != "blank.dmg") { // a disk without a volume still converts
            fails({"convert", path(std::string(name)), "-format", "UDZO", "-o", path("out.dmg")}, "");
            EXPECT_FALSE(QFileInfo::exists(qpath("out.dmg")));
        }
    }
    EXPECT_EQ(QDir(qpath("")).entryList({"*.dmg"}, QDir::Files | QDir::Hidden).size(), 5);
}
