// The console's text model: every line of the run in one contiguous store with a table of bounds.
#pragma once

#include <cstdint>
#include <string_view>

namespace fw {

constexpr int32_t kInitialStoreBytes = 262144;
constexpr int32_t kInitialBoundEntries = 32768;

// Line n (1-based) occupies store[lineBounds[n-1] .. lineBounds[n]). Only the last line grows;
// a deletion anywhere moves every later byte and bound down, so the store stays contiguous.
// Both tables grow by doubling when full, so no line is ever lost or overwritten.
struct ConsoleText {
    char* store = nullptr;
    int32_t storeCapacity = 0;
    int32_t* lineBounds = nullptr;
    int32_t boundCapacity = 0;  // entries; lines held = boundCapacity - 1
    int32_t lineCount = 0;
    int32_t longestLine = 0;  // greatest length seen from output or typing; never shrinks
    bool textSaved = false;
};

// The framework's one instance.
ConsoleText& consoleText();

// Allocates the initial store and bound table and empties the text; 1, or 0 when out of memory.
int32_t allocateConsoleText(ConsoleText& text);
// Frees both tables (tests; the framework keeps its text until the process ends).
void releaseConsoleText(ConsoleText& text);
// No lines, longestLine 0, not saved.
void clearConsoleText(ConsoleText& text);

// Editing. Each returns 1, or 0 (text unchanged) when the arguments do not apply or the
// tables cannot grow. Every change clears textSaved.
int32_t appendEmptyLine(ConsoleText& text);
int32_t appendToLastLine(ConsoleText& text, const char* bytes, int32_t length);
// Columns are 0-based; column == length of the last line appends.
int32_t insertBlank(ConsoleText& text, int32_t column);
int32_t storeCharacter(ConsoleText& text, int32_t column, char character);
// Removes up to count characters at column of line n (1-based); the count is clamped to the
// line, and a start at or after the line's end removes nothing. Returns the number removed.
int32_t deleteCharacters(ConsoleText& text, int32_t n, int32_t column, int32_t count);

// Read access to line n, 1 <= n <= lineCount; empty outside that range.
std::string_view lineText(const ConsoleText& text, int32_t n);
int32_t lineLength(const ConsoleText& text, int32_t n);
// The last line, or empty when there is none.
std::string_view lastLine(const ConsoleText& text);

}  // namespace fw
