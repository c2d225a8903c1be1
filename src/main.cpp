// The `vorlap` program: the desktop application, plus `vorlap build` for scripts and CI.
#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>
#include <cstring>

namespace {

const char* const usageText =
    "Usage: vorlap [--help | --version]\n"
    "\n"
    "Vorlap packages a macOS application bundle (.app) as a drag-to-install disk image.\n"
    "\n"
    "Options:\n"
    "  --help       Show this help and exit.\n"
    "  --version    Show the version and exit.\n";

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(usageText, stdout);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("vorlap %s\n", VORLAP_VERSION);
        return 0;
    }
    std::fprintf(stderr, "vorlap: unknown argument '%s'\n\n%s", argc >= 2 ? argv[1] : "", usageText);
    return 2;
}
