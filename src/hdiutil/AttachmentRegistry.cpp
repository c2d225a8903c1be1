#include "hdiutil/AttachmentRegistry.h"

#include "common/posix/UniqueFd.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlap::hdiutil {

namespace fs = std::filesystem;

namespace {

// FNV-1a: record file names from paths of any length and content.
std::string keyOf(const std::string& text)
{
    uint64_t hash = 1469598103934665603ull;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

// Values are written one per line; "%" and line breaks are escaped.
std::string escape(const std::string& value)
{
    std::string out;
    for (const char c : value) {
        if (c == '%')
            out += "%25";
        else if (c == '\n')
            out += "%0A";
        else
            out += c;
    }
    return out;
}

std::string unescape(const std::string& value)
{
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value.compare(i, 3, "%25") == 0) {
            out += '%';
            i += 2;
        } else if (value.compare(i, 3, "%0A") == 0) {
            out += '\n';
            i += 2;
        } else {
            out += value[i];
        }
    }
    return out;
}

std::string serialize(const Attachment& a)
{
    std::ostringstream out;
    out << "image=" << escape(a.imagePath) << '\n'
        << "mount=" << escape(a.mountPoint) << '\n'
        << "volume=" << escape(a.volumeName) << '\n'
        << "size=" << a.volumeSize << '\n'
        << "writable=" << (a.writable ? 1 : 0) << '\n'
        << "created=" << (a.createdMountPoint ? 1 : 0) << '\n'
        << "complete=" << (a.complete ? 1 : 0) << '\n'
        << "udif=" << (a.udif ? 1 : 0) << '\n';
    return out.str();
}

diskimage::Result<void> writeExclusive(const std::string& path, const std::string& text, bool replace)
{
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (replace ? O_TRUNC : O_EXCL);
    const posix::UniqueFd fd(::open(path.c_str(), flags, 0600));
    if (!fd.isOpen())
        return diskimage::failWithErrno(path); // ErrorCode::exists when another claim holds it
    if (::write(fd.get(), text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        return diskimage::fail(diskimage::ErrorCode::system, path + ": could not record the attachment");
    return {};
}

bool isDirectory(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

std::string canonicalPath(const std::string& path)
{
    std::error_code ignored;
    fs::path result = fs::weakly_canonical(fs::absolute(fs::path(path), ignored), ignored);
    std::string text = result.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

namespace {

const char* absoluteEnvironmentPath(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value == '/' ? value : nullptr;
}

// Without a home folder (daemons, some CI runners), a folder of this user's own under the
// runtime or temporary directory. In a shared /tmp another user could have made it first:
// only a real folder owned by us and closed to others is used.
diskimage::Result<std::string> perUserFallbackFolder()
{
    const char* runtime = absoluteEnvironmentPath("XDG_RUNTIME_DIR");
    const char* temporary = absoluteEnvironmentPath("TMPDIR");
    const std::string parent = runtime ? runtime : temporary ? temporary : "/tmp";
    const std::string folder = parent + "/vorlap-" + std::to_string(getuid());
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return diskimage::failWithErrno(folder, errno);
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0)
        return diskimage::failWithErrno(folder, errno);
    if (!S_ISDIR(info.st_mode) || info.st_uid != getuid() || (info.st_mode & 077) != 0)
        return diskimage::fail(diskimage::ErrorCode::exists,
                               folder + ": not a private folder of this user; attachment records are not kept there");
    return folder;
}

} // namespace

diskimage::Result<std::string> AttachmentRegistry::stateFolder()
{
    if (const char* state = absoluteEnvironmentPath("XDG_STATE_HOME"))
        return std::string(state) + "/vorlap/hdiutil";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.local/state/vorlap/hdiutil";
    VORLAP_TRY_LET(fallback, perUserFallbackFolder());
    const std::string folder = fallback + "/state/vorlap/hdiutil";
    std::fprintf(stderr, "hdiutil: HOME is not set; attachment records are kept in %s\n", folder.c_str());
    return folder;
}

diskimage::Result<AttachmentRegistry> AttachmentRegistry::open()
{
    VORLAP_TRY_LET(folder, stateFolder());
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        return diskimage::failWithSystemError(folder, error);
    return AttachmentRegistry(folder);
}

std::string AttachmentRegistry::recordPath(const std::string& kind, const std::string& key) const
{
    return m_folder + "/" + kind + "-" + keyOf(key);
}

std::optional<Attachment> AttachmentRegistry::read(const std::string& path) const
{
    std::ifstream in(path);
    if (!in)
        return std::nullopt;
    Attachment a;
    // Records of earlier versions have no such line and were written for attachments
    // in use; they keep their meaning.
    a.complete = true;
    std::string line;
    int fields = 0;
    while (std::getline(in, line)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq), value = unescape(line.substr(eq + 1));
        ++fields;
        if (key == "image") a.imagePath = value;
        else if (key == "mount") a.mountPoint = value;
        else if (key == "volume") a.volumeName = value;
        else if (key == "size") a.volumeSize = std::strtoull(value.c_str(), nullptr, 10);
        else if (key == "writable") a.writable = value == "1";
        else if (key == "created") a.createdMountPoint = value == "1";
        else if (key == "complete") { a.complete = value == "1"; --fields; }
        else if (key == "udif") { a.udif = value == "1"; --fields; }
        else --fields;
    }
    if (fields != 6)
        return std::nullopt;
    return a;
}

diskimage::Result<void> AttachmentRegistry::claim(const Attachment& attachment)
{
    const std::string text = serialize(attachment);
    const std::string byMount = recordPath("mount", attachment.mountPoint);
    const std::string byImage = recordPath("image", attachment.imagePath);

    // A record whose mount point has gone is left over from a program that did not finish.
    const auto takeOverStale = [&](const std::string& path) {
        const auto old = read(path);
        if (!old || !isDirectory(old->mountPoint)) {
            if (old) {
                ::unlink(recordPath("mount", old->mountPoint).c_str());
                ::unlink(recordPath("image", old->imagePath).c_str());
            }
            ::unlink(path.c_str());
            return true;
        }
        return false;
    };

    auto mount = writeExclusive(byMount, text, false);
    if (!mount && mount.error().code == diskimage::ErrorCode::exists && takeOverStale(byMount))
        mount = writeExclusive(byMount, text, false);
    if (!mount) {
        if (mount.error().code == diskimage::ErrorCode::exists)
            return diskimage::fail(diskimage::ErrorCode::busy, "another image is attached at " + attachment.mountPoint);
        return mount;
    }
    auto image = writeExclusive(byImage, text, false);
    if (!image && image.error().code == diskimage::ErrorCode::exists && takeOverStale(byImage))
        image = writeExclusive(byImage, text, false);
    if (!image) {
        ::unlink(byMount.c_str());
        if (image.error().code == diskimage::ErrorCode::exists) {
            const auto other = read(byImage);
            return diskimage::fail(diskimage::ErrorCode::busy, "the image is attached already" + (other ? " at " + other->mountPoint : std::string()));
        }
        return image;
    }
    return {};
}

diskimage::Result<void> AttachmentRegistry::update(const Attachment& attachment)
{
    const std::string text = serialize(attachment);
    VORLAP_TRY(writeExclusive(recordPath("mount", attachment.mountPoint), text, true));
    return writeExclusive(recordPath("image", attachment.imagePath), text, true);
}

void AttachmentRegistry::release(const Attachment& attachment)
{
    ::unlink(recordPath("mount", attachment.mountPoint).c_str());
    ::unlink(recordPath("image", attachment.imagePath).c_str());
}

std::optional<Attachment> AttachmentRegistry::findByMountPoint(const std::string& canonicalMountPoint) const
{
    auto found = read(recordPath("mount", canonicalMountPoint));
    if (found && found->mountPoint != canonicalMountPoint)
        return std::nullopt; // a hash collision, not this folder
    return found;
}

std::optional<Attachment> AttachmentRegistry::findByImage(const std::string& canonicalImagePath) const
{
    auto found = read(recordPath("image", canonicalImagePath));
    if (found && found->imagePath != canonicalImagePath)
        return std::nullopt;
    return found;
}

} // namespace vorlap::hdiutil
