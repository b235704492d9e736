// ceutil: the handheld object store on the command line.
#include "tools/ceutil/ceutil.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        return ceutil::Run(args, std::cout, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << "ceutil: " << e.what() << "\n";
        return ceutil::kFailed;
    }
}
