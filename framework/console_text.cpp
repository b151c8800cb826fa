// The console's text model: one contiguous store of line texts and the table of line bounds.
#include "framework/console_text.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace fw {

namespace {

constexpr int32_t kMaxSize = std::numeric_limits<int32_t>::max();

// Doubles `capacity` until it holds `needed`; false when that would pass the 32-bit limit.
bool grownCapacity(int32_t capacity, int64_t needed, int32_t& result) {
    if (needed > kMaxSize) return false;
    int64_t size = capacity > 0 ? capacity : 1;
    while (size < needed) size *= 2;
    result = static_cast<int32_t>(size > kMaxSize ? kMaxSize : size);
    return true;
}

bool reserveStore(ConsoleText& text, int64_t bytes) {
    if (bytes <= text.storeCapacity) return true;
    int32_t capacity = 0;
    if (!grownCapacity(text.storeCapacity, bytes, capacity)) return false;
    void* grown = std::realloc(text.store, static_cast<size_t>(capacity));
    if (grown == nullptr) return false;
    text.store = static_cast<char*>(grown);
    text.storeCapacity = capacity;
    return true;
}

bool reserveBounds(ConsoleText& text, int64_t entries) {
    if (entries <= text.boundCapacity) return true;
    int32_t capacity = 0;
    if (!grownCapacity(text.boundCapacity, entries, capacity)) return false;
    void* grown = std::realloc(text.lineBounds, static_cast<size_t>(capacity) * sizeof(int32_t));
    if (grown == nullptr) return false;
    text.lineBounds = static_cast<int32_t*>(grown);
    text.boundCapacity = capacity;
    return true;
}

int32_t storeEnd(const ConsoleText& text) { return text.lineBounds[text.lineCount]; }

int32_t lastLineLength(const ConsoleText& text) {
    return text.lineCount == 0 ? 0 : storeEnd(text) - text.lineBounds[text.lineCount - 1];
}

}  // namespace

ConsoleText& consoleText() {
    static ConsoleText text;
    return text;
}

int32_t allocateConsoleText(ConsoleText& text) {
    if (!reserveStore(text, kInitialStoreBytes) || !reserveBounds(text, kInitialBoundEntries)) return 0;
    clearConsoleText(text);
    return 1;
}

void releaseConsoleText(ConsoleText& text) {
    std::free(text.store);
    std::free(text.lineBounds);
    text = ConsoleText{};
}

void clearConsoleText(ConsoleText& text) {
    if (text.lineBounds != nullptr) text.lineBounds[0] = 0;
    text.lineCount = 0;
    text.longestLine = 0;
    text.textSaved = false;
}

int32_t appendEmptyLine(ConsoleText& text) {
    if (text.lineBounds == nullptr || !reserveBounds(text, int64_t{text.lineCount} + 2)) return 0;
    text.lineBounds[text.lineCount + 1] = storeEnd(text);
    ++text.lineCount;
    text.textSaved = false;
    return 1;
}

int32_t appendToLastLine(ConsoleText& text, const char* bytes, int32_t length) {
    if (text.lineCount == 0 || length < 0) return 0;
    if (length == 0) return 1;
    int32_t end = storeEnd(text);
    if (!reserveStore(text, int64_t{end} + length)) return 0;
    std::memcpy(text.store + end, bytes, static_cast<size_t>(length));
    text.lineBounds[text.lineCount] = end + length;
    text.textSaved = false;
    return 1;
}

int32_t insertBlank(ConsoleText& text, int32_t column) {
    if (text.lineCount == 0 || column < 0 || column > lastLineLength(text)) return 0;
    int32_t end = storeEnd(text);
    if (!reserveStore(text, int64_t{end} + 1)) return 0;
    int32_t at = text.lineBounds[text.lineCount - 1] + column;
    std::memmove(text.store + at + 1, text.store + at, static_cast<size_t>(end - at));
    text.store[at] = ' ';
    text.lineBounds[text.lineCount] = end + 1;
    text.textSaved = false;
    return 1;
}

int32_t storeCharacter(ConsoleText& text, int32_t column, char character) {
    if (text.lineCount == 0 || column < 0) return 0;
    int32_t length = lastLineLength(text);
    if (column > length) return 0;
    if (column == length) return appendToLastLine(text, &character, 1);
    text.store[text.lineBounds[text.lineCount - 1] + column] = character;
    text.textSaved = false;
    return 1;
}

int32_t deleteCharacters(ConsoleText& text, int32_t n, int32_t column, int32_t count) {
    int32_t length = lineLength(text, n);
    if (column < 0 || column >= length || count <= 0) return 0;
    if (count > length - column) count = length - column;
    int32_t at = text.lineBounds[n - 1] + column;
    int32_t end = storeEnd(text);
    std::memmove(text.store + at, text.store + at + count, static_cast<size_t>(end - at - count));
    for (int32_t bound = n; bound <= text.lineCount; ++bound) text.lineBounds[bound] -= count;
    text.textSaved = false;
    return count;
}

std::string_view lineText(const ConsoleText& text, int32_t n) {
    if (n < 1 || n > text.lineCount) return {};
    int32_t start = text.lineBounds[n - 1];
    return {text.store + start, static_cast<size_t>(text.lineBounds[n] - start)};
}

int32_t lineLength(const ConsoleText& text, int32_t n) {
    return static_cast<int32_t>(lineText(text, n).size());
}

std::string_view lastLine(const ConsoleText& text) { return lineText(text, text.lineCount); }

}  // namespace fw
