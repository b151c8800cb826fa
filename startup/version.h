// The version line both programs print for --version.
#pragma once

#include <string>
#include <string_view>

namespace startup {

// "<program> <version>", followed by " (commit <hash>)" when the build knew its commit.
std::string version_line(std::string_view program);

}  // namespace startup
