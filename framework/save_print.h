// Saving the console text to a file and laying it out on printed pages, without a window
// system.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/console_text.h"
#include "framework/frame_platform.h"

namespace fw {

constexpr const char* kCannotCreate = "Cannot create file";
constexpr const char* kWriteError = "I/O error while writing file";
constexpr const char* kPrintDocumentName = "TAVO Input/Output";

// Writes every line followed by CR LF. Failures are reported in a message box; textSaved is set
// only when the whole text reached the file. Returns 1 for a complete file, 0 otherwise.
int32_t writeConsoleText(ConsoleText& text, const std::string& path, FramePlatform& platform);

// Lines first..last (1-based, inclusive); empty when first > last.
struct LineRange {
    int32_t first = 1;
    int32_t last = 0;
    bool operator==(const LineRange&) const = default;
};

// Whole lines that fit the page height; at least 1.
int32_t linesPerPage(int32_t pageHeight, int32_t lineHeight);
// The lines of the chosen pages, or of the whole text when no page numbers were chosen.
LineRange printRange(int32_t perPage, int32_t lineCount, bool pageNumbers, int32_t fromPage, int32_t toPage);

struct PrintJob {
    int32_t lineHeight = 1;
    int32_t perPage = 1;
    LineRange range;
    int32_t copies = 1;
};

// The printer as the page layout drives it. A page is started only before its first line, so
// a text that fills its last page exactly has no empty page after it.
struct PrintDevice {
    virtual ~PrintDevice() = default;
    virtual bool startDoc(const char* documentName) = 0;
    virtual bool startPage() = 0;
    virtual bool endPage() = 0;
    virtual void textOut(int32_t x, int32_t y, std::string_view line) = 0;
    virtual void endDoc() = 0;
    // Drops the job (cancel, or a page call failed).
    virtual void abortDoc() = 0;
    // Lets queued events run, so the Cancel button can clear keepPrinting.
    virtual void dispatchEvents() = 0;
};

enum class PrintResult { printed, cancelled, failed };

// Prints the range `copies` times, each copy from a new page; a range beyond the text gives
// one empty page per copy. Checks keepPrinting after every line.
PrintResult printLines(const ConsoleText& text, const PrintJob& job, PrintDevice& device, const bool& keepPrinting);

}  // namespace fw
