// The build's own sequence of calls — create, attach, copy in, detach, convert — run twice
// at once, and images macOS made attached. The whole sequence read by independent
// readers is the end-to-end build test's job.
#include "HdiutilFixture.h"

#include <thread>

using namespace vorlap::test;

class HdiutilWorkflow : public HdiutilFixture {};

TEST_F(HdiutilWorkflow, TwoBuildsAtOnceKeepApart)
{
    auto flow = [this](const std::string& name) {
        const std::string image = path(name + ".dmg"), mount = path("Volumes/" + name);
        EXPECT_EQ(ok({"create", "-size", "16m", "-fs", "HFS+", "-volname", name, image}), "created: " + image + "\n");
        EXPECT_EQ(QFileInfo(q(image)).size(), 16 * 1024 * 1024);
        ok({"attach", image, "-mountpoint", mount, "-nobrowse"});
        for (int i = 0; i < 20; ++i)
            writeFile(QString::fromStdString(mount + "/" + name + "-" + std::to_string(i)), QByteArray::fromStdString(name));
        EXPECT_EQ(ok({"detach", mount}), "\"" + mount + "\" ejected.\n");
        EXPECT_FALSE(QFileInfo::exists(q(mount)));
        const std::string final = path(name + "-final.dmg");
        EXPECT_EQ(ok({"convert", image, "-format", "UDZO", "-o", final}), "created: " + final + "\n");
    };
    std::thread first(flow, "first"), second(flow, "second");
    first.join();
    second.join();
    for (const std::string name : {"first", "second"}) {
        const std::string mount = path("Volumes/check-" + name);
        ok({"attach", path(name + "-final.dmg"), "-mountpoint", mount});
        const QStringList entries = QDir(QString::fromStdString(mount)).entryList(QDir::Files);
        EXPECT_EQ(entries.size(), 20) << name;
        for (const QString& entry : entries)
            EXPECT_TRUE(entry.startsWith(QString::fromStdString(name))) << entry.toStdString();
        ok({"detach", mount});
    }
}

TEST_F(HdiutilWorkflow, ImagesMadeByMacOSAttach)
{
    // GUID partition map, chunks out of sector order, files "a" and "b".
    const std::string mount = path("Volumes/mydisk");
    ok({"attach", fixturePath("libdmg-hdiutil.hfs.dmg"), "-mountpoint", mount, "-nobrowse"});
    EXPECT_EQ(readFile(QString::fromStdString(mount + "/a")), "content-a\n");
    EXPECT_EQ(readFile(QString::fromStdString(mount + "/b")), "content-b\n");
    ok({"detach", mount});

    const std::string other = path("Volumes/dfvfs");
    const QByteArray before = readFile(q(fixturePath("dfvfs-hfsplus_zlib.dmg")));
    ok({"attach", fixturePath("dfvfs-hfsplus_zlib.dmg"), "-mountpoint", other});
    EXPECT_TRUE(QFileInfo(QString::fromStdString(other + "/a_directory")).isDir());
    EXPECT_EQ(QFile::symLinkTarget(QString::fromStdString(other + "/a_link")),
              QString::fromStdString(other + "/a_directory/another_file"));
    ok({"detach", other});

    // A compressed image is attached read-only: detach leaves the file exactly as it was.
    EXPECT_EQ(readFile(q(fixturePath("dfvfs-hfsplus_zlib.dmg"))), before);
}
