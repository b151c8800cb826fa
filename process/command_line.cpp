// The command-line tail of the process entry.
#include "process/command_line.h"

namespace process {

std::string command_line_tail(int argc, const char* const* argv) {
    std::string tail;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) tail += ' ';
        if (argv[i] != nullptr) tail += argv[i];
    }
    return tail;
}

}  // namespace process
