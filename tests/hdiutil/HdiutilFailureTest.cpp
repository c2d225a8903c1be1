// Every verb refuses bad input with one clear error line and a non-zero status, leaves
// no partial output and nothing attached.
#include "HdiutilFixture.h"

#include "common/BigEndian.h"

#include <functional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

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
    fails({"convert", image, "-format", "ULFO", "-o", path("b.dmg")}, "unsupported format");
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

namespace {

// Points the fork described at `fork` (80 bytes inside `bytes`) at a stretch past the
// volume's old end, says it holds `claimed` bytes there, grows the volume to match and
// writes the image to `file`, sparse: a small file claiming a lot of data.
void claimSparseTail(QByteArray& bytes, qsizetype fork, uint64_t claimed, const std::string& file)
{
    uint8_t* header = reinterpret_cast<uint8_t*>(bytes.data()) + 1024;
    uint8_t* f = reinterpret_cast<uint8_t*>(bytes.data()) + fork;
    const uint64_t bs = vorlap::loadBE32(header + 40);
    const uint32_t oldEnd = vorlap::loadBE32(header + 44);
    const auto blocks = static_cast<uint32_t>(claimed / bs);
    // The fork's old bytes go along, so the claim is the only thing wrong with it.
    const QByteArray data = bytes.mid(static_cast<qsizetype>(vorlap::loadBE32(f + 16) * bs),
                                      static_cast<qsizetype>(vorlap::loadBE64(f)));
    vorlap::storeBE64(f, claimed);
    vorlap::storeBE32(f + 12, blocks);
    vorlap::storeBE32(f + 16, oldEnd);
    vorlap::storeBE32(f + 20, blocks);
    vorlap::storeBE32(header + 44, oldEnd + blocks);
    QFile out(QString::fromStdString(file));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes);
    ASSERT_TRUE(out.resize(static_cast<qint64>((uint64_t{oldEnd} + blocks) * bs)));
    ASSERT_TRUE(out.seek(static_cast<qint64>(oldEnd * bs)));
    out.write(data);
}

struct HostileImage {
    const char* name;
    std::function<void(QByteArray&, const std::string& file)> damage; // writes the damaged image to `file`
    const char* reason;
};

} // namespace

TEST_F(HdiutilFailure, HostileImagesAreRefusedWithinBoundedMemory)
{
    const std::string image = path("a.dmg"), mount = path("m");
    ok({"create", "-size", "16m", "-fs", "HFS+", "-volname", "V", image});
    ok({"attach", image, "-mountpoint", mount});
    writeFile(q(mount + "/f"), "data");
    ok({"detach", mount});
    const QByteArray pristine = readFile(q(image));

    const std::vector<HostileImage> cases = {
        // A reader that takes the catalog's size on trust allocates all of it.
        {"catalog claims 64 GiB",
         [](QByteArray& bytes, const std::string& file) { claimSparseTail(bytes, 1024 + 0x110, uint64_t{64} << 30, file); },
         "the catalog is damaged"},
        // Unpacking it would fill the disk long before the end.
        {"file claims 4 TiB",
         [](QByteArray& bytes, const std::string& file) {
             const qsizetype record = fileRecordOf(bytes, "f");
             ASSERT_GE(record, 0);
             claimSparseTail(bytes, record + 88, uint64_t{4} << 40, file);
         },
         "not enough space"},
    };
    for (const HostileImage& hostile : cases) {
        SCOPED_TRACE(hostile.name);
        QByteArray bytes = pristine;
        const std::string file = path("hostile.dmg");
        hostile.damage(bytes, file);
        fails({"attach", file, "-mountpoint", mount}, hostile.reason);
        EXPECT_FALSE(QFileInfo::exists(q(mount)));
        QFile::remove(q(file));
    }
}

namespace {

struct UnwritableDetach {
    const char* name;
    std::function<void(const QString& mount, const QString& records)> spoil;
    const char* reason; // why a plain detach refuses
};

// Marks the attachment's records as those of an attach that was killed while unpacking.
void markIncomplete(const QString& records)
{
    for (const QString& name : QDir(records).entryList(QDir::Files)) {
        QByteArray text = readFile(records + "/" + name);
        ASSERT_TRUE(text.contains("complete=1\n")) << text.toStdString();
        writeFile(records + "/" + name, text.replace("complete=1\n", "complete=0\n"));
    }
}

} // namespace

TEST_F(HdiutilFailure, DetachNeverWritesWhatCannotBeWrittenAndForceAlwaysReleases)
{
    const std::string image = path("a.dmg"), mount = path("m");
    const std::vector<UnwritableDetach> cases = {
        {"interrupted attach",
         [](const QString& folder, const QString& records) {
             markIncomplete(records);
             QFile::remove(folder + "/keep/two"); // the part an interrupted unpacking never reached
             ::chmod(QFile::encodeName(folder + "/keep").constData(), 0500);
         },
         "the attach did not finish"},
        {"volume too small for the changes",
         [](const QString& folder, const QString&) { writeFile(folder + "/big", QByteArray(20 * 1024 * 1024, 'b')); },
         "not enough space"},
    };
    for (const UnwritableDetach& spoiled : cases) {
        SCOPED_TRACE(spoiled.name);
        ok({"create", "-ov", "-size", "16m", "-fs", "HFS+", "-volname", "V", image});
        ok({"attach", image, "-mountpoint", mount});
        writeFile(q(mount + "/keep/one"), "1");
        writeFile(q(mount + "/keep/two"), "2");
        ok({"detach", mount});
        const QByteArray before = readFile(q(image));

        ok({"attach", image, "-mountpoint", mount});
        spoiled.spoil(q(mount), qpath("state/vorlap/hdiutil"));
        fails({"detach", mount}, spoiled.reason);
        EXPECT_TRUE(readFile(q(image)) == before) << "the image was written";
        EXPECT_TRUE(QFileInfo::exists(q(mount + "/keep/one")));

        const ShellResult forced = hdiutil({"detach", mount, "-force"});
        EXPECT_EQ(forced.exitCode, 0) << forced.output;
        EXPECT_NE(forced.output.find("discarded"), std::string::npos) << forced.output;
        EXPECT_FALSE(QFileInfo::exists(q(mount)));
        EXPECT_TRUE(QDir(qpath("state/vorlap/hdiutil")).entryList(QDir::Files).isEmpty());
        EXPECT_TRUE(readFile(q(image)) == before) << "the forced detach wrote the image";

        // What the image held before is all still there.
        ok({"attach", image, "-mountpoint", mount});
        EXPECT_EQ(readFile(q(mount + "/keep/two")), "2");
        ok({"detach", mount});
    }
}

TEST_F(HdiutilFailure, OutputsReplaceOnlyRegularFiles)
{
    const std::string image = path("a.dmg");
    ok({"create", "-size", "16m", "-fs", "HFS+", "-volname", "V", image});
    const auto makeFifo = [](const std::string& at) { return ::mkfifo(at.c_str(), 0600) == 0; };
    const auto makeSocket = [](const std::string& at) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", at.c_str());
        const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        return bound;
    };
    const struct {
        const char* kind;
        std::function<bool(const std::string&)> make;
        mode_t type;
    } specials[] = {{"FIFO", makeFifo, S_IFIFO}, {"socket", makeSocket, S_IFSOCK}};
    for (const auto& special : specials) {
        SCOPED_TRACE(special.kind);
        const std::string target = path("special.dmg");
        ASSERT_TRUE(special.make(target));
        fails({"convert", image, "-format", "UDZO", "-ov", "-o", target}, "not a regular file");
        fails({"create", "-ov", "-size", "1m", "-fs", "HFS+", "-volname", "V", target}, "not a regular file");
        struct stat st {};
        ASSERT_EQ(::lstat(target.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & S_IFMT, special.type);
        // A link to one is refused the same way, and stays a link.
        QFile::link(q(target), qpath("link.dmg"));
        fails({"convert", image, "-format", "UDZO", "-ov", "-o", path("link.dmg")}, "not a regular file");
        EXPECT_TRUE(QFileInfo(qpath("link.dmg")).isSymLink());
        EXPECT_EQ(QDir(qpath("")).entryList(QDir::Files | QDir::System | QDir::Hidden).size(), 3);
        QFile::remove(qpath("link.dmg"));
        ::unlink(target.c_str());
    }
}
