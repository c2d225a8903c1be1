// Our stand-in for macOS's disk-image tool, for systems that have none.
#include "hdiutil/Hdiutil.h"

#include <iostream>

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return vorlap::hdiutil::run(arguments, std::cout, std::cerr);
}
