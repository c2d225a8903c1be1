// The build's own sequence of calls — create, attach, copy in, detach, convert — run twice
// at once, and images macOS made attached. The whole sequence read by independent
// readers is the end-to-end build test's job.
#include "HdiutilFixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <thread>

using namespace vorlap::test;

class HdiutilWorkflow : public HdiutilFixture {};

TEST_F(HdiutilWorkflow, TwoBuildsAtOnceKeepApart)
{
    auto flow = [this](const std::string& name) {
        const std::string image = path(name + ".dmg"), mount = path("Volumes/" + name);
        EXPECT_EQ(ok({"create", "-size", "16m", "-fs", "HFS+", "-volname", name, image}), "created: " + image + "\n");
        EXPECT_EQ(QFileInfo(q(image)).size() >> 20, 16); // the volume, then the trailer
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

TEST_F(HdiutilWorkflow, HardLinksAndZerosUnpackWithoutCopies)
{
    // Our writer makes no hard links, so the volume is patched into one that has them, the
    // way macOS stores them: "iNode<n>" in the private folder, "hlnk" files pointing at it.
    const std::string image = path("a.dmg"), mount = path("m");
    // Room for the links' copies: writing the tree back does not keep them linked.
    ok({"create", "-size", "64m", "-fs", "HFS+", "-volname", "V", image});
    ok({"attach", image, "-mountpoint", mount});
    QByteArray content(1024 * 1024, '\0');
    for (qsizetype i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 31 + 7);
    writeFile(q(mount + "/XXXXHFS+ Private Data/iNode77"), content);
    constexpr int links = 40;
    for (int i = 0; i < links; ++i)
        writeFile(q(mount) + QString("/link%1").arg(i, 2, 10, QChar('0')), "");
    writeFile(q(mount + "/zeros"), QByteArray(8 * 1024 * 1024, '\0'));
    ok({"detach", mount});

    QByteArray bytes = readFile(q(image));
    const QByteArray marked = utf16Name("XXXXHFS+ Private Data");
    for (qsizetype at = bytes.indexOf(marked); at >= 0; at = bytes.indexOf(marked, at + 1))
        bytes.replace(at, 8, QByteArray(8, '\0'));
    for (int i = 0; i < links; ++i) {
        const qsizetype record = fileRecordOf(bytes, QString("link%1").arg(i, 2, 10, QChar('0')));
        ASSERT_GE(record, 0) << i;
        storeBE32At(bytes, record + 44, 77);         // the link's number
        storeBE32At(bytes, record + 48, 0x686C6E6B); // 'hlnk'
        storeBE32At(bytes, record + 52, 0x6866732B); // 'hfs+'
    }
    writeFile(q(image), bytes);

    ok({"attach", image, "-mountpoint", mount});
    struct stat first {};
    ASSERT_EQ(::stat((mount + "/link00").c_str(), &first), 0);
    EXPECT_EQ(first.st_nlink, static_cast<nlink_t>(links));
    for (int i = 0; i < links; ++i) {
        const QString link = q(mount) + QString("/link%1").arg(i, 2, 10, QChar('0'));
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(link).constData(), &st), 0);
        EXPECT_EQ(st.st_ino, first.st_ino) << i;
    }
    EXPECT_TRUE(readFile(q(mount + "/link17")) == content);
    struct stat zeros {};
    ASSERT_EQ(::stat((mount + "/zeros").c_str(), &zeros), 0);
    EXPECT_EQ(zeros.st_size, 8 * 1024 * 1024);
    EXPECT_LT(zeros.st_blocks * 512, 1024 * 1024) << "the zeros were written out";
    EXPECT_TRUE(readFile(q(mount + "/zeros")) == QByteArray(8 * 1024 * 1024, '\0'));
    ok({"detach", mount});
}

TEST_F(HdiutilWorkflow, NamesUnpackComposedAndTooLongOnesAreNamed)
{
    // Stored decomposed, 127 "é" take 381 bytes; composed again they are the 254 the user wrote.
    const std::string image = path("a.dmg"), mount = path("m");
    const struct {
        QString written;
        QString unpacked; // what the name reads back as (NFC)
    } names[] = {
        {QString(127, QChar(0x00E9)), QString(127, QChar(0x00E9))},
        {QString::fromUtf8("\u01D6\u1E69\u1F82\u04D3 Ω\u0307 \uD55C"), QString::fromUtf8("\u01D6\u1E69\u1F82\u04D3 Ω\u0307 \uD55C")},
        {QString::fromUtf8("e\u0301\u0327"), QString::fromUtf8("e\u0301\u0327").normalized(QString::NormalizationForm_C)},
        {QString::fromUtf8("A\u030A\u212B"), QString::fromUtf8("\u00C5\u212B")}, // HFS+ leaves U+2000..U+2FFF alone
        {QString(86, QChar('k')), QString()}, // made 86 "日" below: 258 bytes fit no Linux name
    };
    ok({"create", "-size", "16m", "-fs", "HFS+", "-volname", "V", image});
    ok({"attach", image, "-mountpoint", mount});
    for (const auto& name : names)
        writeFile(q(mount) + "/" + name.written, name.written.toUtf8());
    ok({"detach", mount});
    QByteArray bytes = readFile(q(image));
    const QByteArray plain = utf16Name(names[4].written), wide = utf16Name(QString(86, QChar(0x65E5)));
    for (qsizetype at = bytes.indexOf(plain); at >= 0; at = bytes.indexOf(plain, at + 1))
        bytes.replace(at, wide.size(), wide);
    QByteArray withoutLongName = readFile(q(image));
    writeFile(q(image), bytes);

    const ShellResult refused = hdiutil({"attach", image, "-mountpoint", mount});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.output.find(QString(86, QChar(0x65E5)).toStdString() + "\" is too long"), std::string::npos) << refused.output;
    EXPECT_FALSE(QFileInfo::exists(q(mount)));

    writeFile(q(image), withoutLongName);
    ok({"attach", image, "-mountpoint", mount});
    for (const auto& name : names) {
        if (name.unpacked.isEmpty())
            continue;
        SCOPED_TRACE(name.unpacked.toStdString());
        EXPECT_EQ(readFile(q(mount) + "/" + name.unpacked), name.written.toUtf8());
    }
    // Written back and read again, the names are still the same.
    ok({"detach", mount});
    ok({"attach", image, "-mountpoint", mount});
    EXPECT_TRUE(QFileInfo::exists(q(mount) + "/" + names[0].unpacked));
    ok({"detach", mount});
}

TEST_F(HdiutilWorkflow, AnExistingMountFolderKeepsItsPermissions)
{
    const std::string image = path("a.dmg"), mount = path("mine");
    ok({"create", "-size", "16m", "-fs", "HFS+", "-volname", "V", image});
    ok({"convert", image, "-format", "UDZO", "-o", path("z.dmg")});
    for (const std::string& attached : {image, path("z.dmg")}) { // writable, then read-only
        SCOPED_TRACE(attached);
        ASSERT_TRUE(QDir().mkpath(q(mount)));
        ASSERT_EQ(::chmod(mount.c_str(), 0751), 0);
        ok({"attach", attached, "-mountpoint", mount});
        struct stat st {};
        ASSERT_EQ(::stat(mount.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0751u);
        ok({"detach", mount});
        ASSERT_EQ(::stat(mount.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0751u);
        EXPECT_TRUE(QDir(q(mount)).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    }
}

TEST_F(HdiutilWorkflow, WithoutAHomeFolderRecordsGoToAPrivateFolderOfTheUser)
{
    for (const char* name : {"HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR"})
        environment.unset(name);
    environment.setPath("TMPDIR", qpath("tmp"));
    ASSERT_TRUE(QDir().mkpath(qpath("tmp")));
    const std::string image = path("a.dmg"), mount = path("m");
    const std::string records = path("tmp/vorlap-" + std::to_string(::getuid()) + "/state/vorlap/hdiutil");
    ok({"create", "-size", "16m", "-fs", "HFS+", "-volname", "V", image});
    EXPECT_NE(ok({"attach", image, "-mountpoint", mount}).find("kept in " + records), std::string::npos);
    EXPECT_EQ(QDir(q(records)).entryList(QDir::Files).size(), 2);
    ok({"detach", mount});
    EXPECT_TRUE(QDir(q(records)).entryList(QDir::Files).isEmpty());

    // A folder of that name that others may write into is not trusted.
    ASSERT_EQ(::chmod(path("tmp/vorlap-" + std::to_string(::getuid())).c_str(), 0777), 0);
    const ShellResult refused = hdiutil({"attach", image, "-mountpoint", mount});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.output.find("not a private folder of this user"), std::string::npos) << refused.output;
}
