// Read/write images as macOS makes them, the volume's sectors in place and then a UDIF
// trailer, so that 7-Zip and dmg2img read them; a bare volume stays bare.
#include "HdiutilFixture.h"
#include "support/SevenZip.h"

#include <QFile>

using namespace vorlap::test;

class UdrwImage : public HdiutilFixture {};

TEST_F(UdrwImage, CreateConvertAndDetachWriteImagesOtherReadersOpen)
{
    const std::string mount = path("m"), macOs = fixturePath("dfvfs-hfsplus_zlib.dmg");
    const auto addFile = [&](const std::string& image, const std::string& name) {
        ok({"attach", image, "-mountpoint", mount});
        writeFile(q(mount + "/" + name), QByteArray::fromStdString(name));
        ok({"detach", mount});
    };
    // 7-Zip's copy of the image's file `name`.
    const auto sevenZip = [&](const std::string& image, const std::string& name) {
        const ShellResult x = runProgram({"7zz", "x", "-y", "-o" + path("x"), image, name});
        EXPECT_EQ(x.exitCode, 0) << x.output;
        return readFile(qpath("x/") + q(name));
    };
    ok({"create", "-size", "16m", "-fs", "HFS+", "-volname", "V", path("new.dmg")});
    addFile(path("new.dmg"), "one");
    ok({"convert", path("new.dmg"), "-format", "UDZO", "-o", path("z.dmg")});
    ok({"convert", path("z.dmg"), "-format", "UDRW", "-o", path("rw.dmg")});
    ok({"convert", macOs, "-format", "UDRW", "-o", path("gpt.dmg")});
    ASSERT_TRUE(QFile::copy(q(fixturePath("dfvfs-hfsplus.raw")), qpath("bare.hfs")));
    QFile::setPermissions(qpath("bare.hfs"), QFile::ReadOwner | QFile::WriteOwner);

    const struct {
        std::string image;
        bool udif, writable;
    } rows[] = {{"new.dmg", true, true}, {"rw.dmg", true, true}, {"gpt.dmg", true, false}, {"bare.hfs", false, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.image);
        const std::string image = path(row.image);
        if (row.writable)
            addFile(image, "two"); // the detach writes the image back, in its own kind
        const QByteArray bytes = readFile(q(image));
        EXPECT_EQ(bytes.right(512).startsWith("koly"), row.udif);
        if (!row.udif) {
            ok({"attach", image, "-mountpoint", mount});
            EXPECT_EQ(readFile(q(mount + "/two")), "two");
            ok({"detach", mount});
            continue;
        }
        expectSevenZipHappy(image, "dmg");
        const ShellResult d = runProgram({"dmg2img", "-s", image, image + ".img"});
        ASSERT_EQ(d.exitCode, 0) << d.output;
        const QByteArray disk = readFile(q(image + ".img"));
        EXPECT_TRUE(bytes.size() > disk.size() && bytes.startsWith(disk))
            << "dmg2img does not find the sectors in place";
        if (row.writable) {
            EXPECT_EQ(sevenZip(image, "V/one"), "one");
            EXPECT_EQ(sevenZip(image, "V/two"), "two");
        } else {
            const std::string file = "hfsplus_test/a_directory/another_file";
            EXPECT_EQ(sevenZip(image, file), sevenZip(macOs, file));
            EXPECT_FALSE(sevenZip(image, file).isEmpty());
        }
    }
}
