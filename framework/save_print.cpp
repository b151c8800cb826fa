// The console text as a file of CR LF lines, and the print page layout.
#include "framework/save_print.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>

namespace fw {

namespace {

// Writes all of data; false on any failure.
bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Collects lines into blocks so a long console costs few system calls.
struct BlockWriter {
    int fd;
    std::vector<char> block;
    static constexpr size_t kBlockBytes = 65536;

    bool add(std::string_view bytes) {
        if (block.size() + bytes.size() > kBlockBytes && !flush()) return false;
        if (bytes.size() > kBlockBytes) return writeAll(fd, bytes.data(), bytes.size());
        block.insert(block.end(), bytes.begin(), bytes.end());
        return true;
    }
    bool flush() {
        const bool written = writeAll(fd, block.data(), block.size());
        block.clear();
        return written;
    }
};

}  // namespace

int32_t writeConsoleText(ConsoleText& text, const std::string& path, FramePlatform& platform) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        platform.messageBox(false, kCannotCreate, kCaption, mb::ok | mb::iconWarning);
        return 0;
    }
    BlockWriter writer{fd, {}};
    writer.block.reserve(BlockWriter::kBlockBytes);
    bool written = true;
    for (int32_t n = 1; n <= text.lineCount && written; ++n)
        written = writer.add(lineText(text, n)) && writer.add("\r\n");
    written = written && writer.flush();
    // A failed close may be the first report of lost data.
    written = ::close(fd) == 0 && written;
    if (!written) {
        platform.messageBox(false, kWriteError, kCaption, mb::ok | mb::iconWarning);
        return 0;
    }
    text.textSaved = true;
    return 1;
}

int32_t linesPerPage(int32_t pageHeight, int32_t lineHeight) {
    if (lineHeight <= 0) return 1;
    return std::max(1, pageHeight / lineHeight);
}

LineRange printRange(int32_t perPage, int32_t lineCount, bool pageNumbers, int32_t fromPage, int32_t toPage) {
    if (!pageNumbers) return {1, lineCount};
    const int64_t first = int64_t{perPage} * (fromPage - 1) + 1;
    const int64_t last = std::min<int64_t>(int64_t{perPage} * toPage, lineCount);
    return {static_cast<int32_t>(std::min<int64_t>(first, INT32_MAX)), static_cast<int32_t>(last)};
}

PrintResult printLines(const ConsoleText& text, const PrintJob& job, PrintDevice& device, const bool& keepPrinting) {
    if (!device.startDoc(kPrintDocumentName)) return PrintResult::failed;
    const auto stop = [&](PrintResult result) {
        device.abortDoc();
        return result;
    };
    for (int32_t copy = 1; copy <= job.copies; ++copy) {
        bool pageOpen = false;
        int32_t row = 0;
        for (int32_t n = job.range.first; n <= job.range.last; ++n) {
            if (!pageOpen) {
                if (!device.startPage()) return stop(PrintResult::failed);
                pageOpen = true;
            }
            device.textOut(0, row * job.lineHeight, lineText(text, n));
            if (++row == job.perPage) {
                if (!device.endPage()) return stop(PrintResult::failed);
                pageOpen = false;
                row = 0;
            }
            device.dispatchEvents();
            if (!keepPrinting) return stop(PrintResult::cancelled);
        }
        if (job.range.first > job.range.last) {
            if (!device.startPage()) return stop(PrintResult::failed);
            pageOpen = true;
        }
        if (pageOpen && !device.endPage()) return stop(PrintResult::failed);
    }
    device.endDoc();
    return PrintResult::printed;
}

}  // namespace fw
