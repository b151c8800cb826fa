// The version line, from the header the build writes (project version and commit).
#include "startup/version.h"

#include "simplex_version.h"

namespace startup {

std::string version_line(std::string_view program) {
    std::string line = std::string(program) + " " + SIMPLEX_VERSION;
    const std::string_view commit = SIMPLEX_COMMIT;
    if (!commit.empty()) line += " (commit " + std::string(commit) + ")";
    return line;
}

}  // namespace startup
