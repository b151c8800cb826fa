// What the process entry hands the framework: the command-line tail and the show state.
#pragma once

#include <cstdint>
#include <string>

namespace process {

// The arguments after the program's name, joined by single blanks.
std::string command_line_tail(int argc, const char* const* argv);

// Show state when the starter asked for none (there is no start-up information to read here).
constexpr int32_t show_default = 10;

}  // namespace process
