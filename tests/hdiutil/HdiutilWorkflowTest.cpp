// The build's own sequence of calls — create, attach, copy in, detach, convert — checked
// by readers that are not ours.
#include "HdiutilFixture.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QRegularExpression>

#include <map>
#include <sys/stat.h>
#include <thread>

using namespace vorlap::test;

namespace {

// A small application-like tree with what matters: executable bits, links, hidden
// folders, non-ASCII names.
void fillTree(const QString& top)
{
    HdiutilFixture::writeFile(top + "/Demo.app/Contents/Info.plist", "<plist version=\"1.0\"><dict/></plist>\n");
    HdiutilFixture::writeFile(top + "/Demo.app/Contents/MacOS/Demo", "#!/bin/sh\necho demo\n");
    ::chmod(QFile::encodeName(top + "/Demo.app/Contents/MacOS/Demo").constData(), 0755);
    QByteArray big(3 * 1024 * 1024 + 17, '\0');
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>((i * 7919) >> 5);
    HdiutilFixture::writeFile(top + "/Demo.app/Contents/Resources/data.bin", big);
    HdiutilFixture::writeFile(top + QString::fromUtf8("/Demo.app/Contents/Resources/R\u00e9sum\u00e9 \u65e5\u672c.txt"), "accents\n");
    HdiutilFixture::writeFile(top + "/.background/background-0123456789abcdef.png", "not really a png");
    QFile::link("/Applications", top + "/Applications");
    QFile::link("MacOS/Demo", top + "/Demo.app/Contents/run");
}

// Path -> content hash (files), link target (links) or "dir", for every item below `top`.
std::map<QString, QString> describeTree(const QString& top)
{
    std::map<QString, QString> items;
    QDirIterator it(top, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QFileInfo info(file);
        const QString relative = file.mid(top.size() + 1).normalized(QString::NormalizationForm_C);
        if (info.isSymLink())
            items[relative] = "-> " + QFile::symLinkTarget(file).replace(top, "");
        else if (info.isDir())
            items[relative] = "dir";
        else
            items[relative] = QCryptographicHash::hash(HdiutilFixture::readFile(file), QCryptographicHash::Sha256).toHex()
                + (info.permissions() & QFile::ExeOwner ? " x" : "");
    }
    return items;
}

} // namespace

class HdiutilWorkflow : public HdiutilFixture {};

TEST_F(HdiutilWorkflow, BuildSequenceGivesAnImageOthersRead)
{
    const std::string image = path("work/temp.dmg"), mount = path("Volumes/vorlap-1234ABCD");
    QDir().mkpath(qpath("work"));
    EXPECT_EQ(ok({"create", "-size", "16m", "-fs", "HFS+", "-volname", "Demo Disk", image}), "created: " + image + "\n");
    EXPECT_EQ(QFileInfo(QString::fromStdString(image)).size(), 16 * 1024 * 1024);

    ok({"attach", image, "-mountpoint", mount, "-nobrowse"});
    const QString mounted = QString::fromStdString(mount);
    ASSERT_TRUE(QFileInfo(mounted).isDir());
    fillTree(mounted);
    const auto expected = describeTree(mounted);
    std::map<QString, uint64_t> itemNumbers;
    for (const auto& [relative, what] : expected) {
        struct stat st {};
        ::lstat(QFile::encodeName(mounted + "/" + relative).constData(), &st);
        itemNumbers[relative] = st.st_ino;
    }

    EXPECT_EQ(ok({"detach", mount}), "\"" + mount + "\" ejected.\n");
    EXPECT_FALSE(QFileInfo::exists(mounted));
    const std::string compressed = path("work/converted.dmg");
    EXPECT_EQ(ok({"convert", image, "-format", "UDZO", "-o", compressed}), "created: " + compressed + "\n");

    // 7-Zip: checksums and every file.
    const ShellResult tested = runProgram({"7zz", "t", "-tdmg", compressed});
    EXPECT_EQ(tested.exitCode, 0) << tested.output;
    EXPECT_NE(tested.output.find("Everything is Ok"), std::string::npos) << tested.output;
    EXPECT_EQ(tested.output.find("WARNING"), std::string::npos) << tested.output;
    const ShellResult extracted = runProgram({"7zz", "x", "-snld", "-o" + path("x"), compressed});
    ASSERT_EQ(extracted.exitCode, 0) << extracted.output;
    // 7-Zip names the volume's folder after it and turns absolute link targets into paths under -o.
    auto viaSevenZip = describeTree(qpath("x/Demo Disk"));
    for (auto& [relative, what] : viaSevenZip)
        what.replace(qpath("x/Demo Disk"), "");
    for (const auto& [relative, what] : expected) {
        if (what.startsWith("-> "))
            continue; // link targets are rewritten by 7-Zip; checked through our own reader below
        EXPECT_EQ(viaSevenZip[relative].section(' ', 0, 0), what.section(' ', 0, 0)) << relative.toStdString();
    }

    // dmg2img rebuilds exactly the raw image we wrote.
    const ShellResult raw = runProgram({"dmg2img", "-i", compressed, "-o", path("work/back.img")});
    ASSERT_EQ(raw.exitCode, 0) << raw.output;
    EXPECT_EQ(readFile(qpath("work/back.img")), readFile(QString::fromStdString(image)));

    // Attaching the compressed image gives the tree back, executable bits and links included.
    const std::string again = path("Volumes/again");
    ok({"attach", compressed, "-mountpoint", again, "-nobrowse"});
    EXPECT_EQ(describeTree(QString::fromStdString(again)), expected);
    ok({"detach", again, "-quiet"});

    // The real Linux driver mounts it clean, and the catalog node IDs are the item numbers
    // the files had while attached.
    const ShellResult kernel = runProgram({toolPath("kernel-hfsplus-check"), compressed});
    EXPECT_EQ(kernel.exitCode, 0) << kernel.output;
    EXPECT_NE(kernel.output.find("read_errors=0 hfs_kmsgs=0"), std::string::npos) << kernel.output;
    for (const char* name : {".background", "Demo.app", "Applications"}) {
        const QRegularExpression line(QStringLiteral("^\\s*(\\d+)\\s.*\\s%1( ->.*)?$").arg(QRegularExpression::escape(name)),
                                      QRegularExpression::MultilineOption);
        const auto match = line.match(QString::fromStdString(kernel.output));
        ASSERT_TRUE(match.hasMatch()) << name;
        EXPECT_EQ(match.captured(1).toULongLong(), itemNumbers[name]) << name;
    }
}

TEST_F(HdiutilWorkflow, TwoBuildsAtOnceKeepApart)
{
    auto flow = [this](const std::string& name) {
        const std::string image = path(name + ".dmg"), mount = path("Volumes/" + name);
        ok({"create", "-size", "16m", "-fs", "HFS+", "-volname", name, image});
        ok({"attach", image, "-mountpoint", mount, "-nobrowse"});
        for (int i = 0; i < 20; ++i)
            writeFile(QString::fromStdString(mount + "/" + name + "-" + std::to_string(i)), QByteArray::fromStdString(name));
        ok({"detach", mount});
        ok({"convert", image, "-format", "UDZO", "-o", path(name + "-final.dmg")});
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
    ok({"attach", fixturePath("dfvfs-hfsplus_zlib.dmg"), "-mountpoint", other});
    EXPECT_TRUE(QFileInfo(QString::fromStdString(other + "/a_directory")).isDir());
    EXPECT_EQ(QFile::symLinkTarget(QString::fromStdString(other + "/a_link")),
              QString::fromStdString(other + "/a_directory/another_file"));
    ok({"detach", other});

    // A compressed image is attached read-only: detach leaves the file exactly as it was.
    const QByteArray before = readFile(QString::fromStdString(fixturePath("libdmg-hdiutil.hfs.dmg")));
    EXPECT_EQ(before.size(), 19756);
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
