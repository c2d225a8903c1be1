// Our stand-in for macOS's disk-image tool.
#include <cstdio>

int main()
{
    std::fputs("hdiutil: not available yet\n", stderr);
    return 1;
}
