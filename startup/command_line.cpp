// The command-line tail of the process entry.
#include "startup/command_line.h"

namespace startup {

std::string commandLineTail(int argc, const char* const* argv) {
    std::string tail;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) tail += ' ';
        if (argv[i] != nullptr) tail += argv[i];
    }
    return tail;
}

}  // namespace startup
