// Block operations between a unit and the outside world: POSIX files and the console callbacks.
#include "libf/fio/file_layer.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fio {

namespace {

bool is_selector(int handle) {
    return handle == selector_input || handle == selector_output || handle == selector_error;
}

int selector_fd(int32_t selector) {
    switch (selector) {
        case selector_input: return 0;
        case selector_output: return 1;
        case selector_error: return 2;
        default: return -1;
    }
}

int errno_or(int fallback) { return errno != 0 ? errno : fallback; }

// Writes all n bytes, retrying interrupted and partial writes. Returns 0 or an errno value.
int write_all(int fd, const char* data, int64_t n) {
    while (n > 0) {
        errno = 0;
        const ssize_t done = ::write(fd, data, static_cast<std::size_t>(n));
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return errno_or(ENOSPC);
        data += done;
        n -= done;
    }
    return 0;
}

// Reads up to n bytes; a regular file is read until the count is met or the file ends.
int64_t read_some(int fd, char* data, int64_t n, bool fill_completely) {
    int64_t total = 0;
    while (total < n) {
        const ssize_t got = ::read(fd, data + total, static_cast<std::size_t>(n - total));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        total += got;
        if (!fill_completely) break;
    }
    return total;
}

int32_t default_read(char* buffer, int32_t count) {
    const int64_t got = read_some(0, buffer, count, false);
    return static_cast<int32_t>(got);
}

int32_t default_write(const char* buffer, int32_t* count, int32_t selector) {
    const int fd = selector_fd(selector);
    if (fd < 0) {
        errno = EBADF;
        return 0;
    }
    return write_all(fd, buffer, *count) == 0 ? 1 : 0;
}

void default_exit(int32_t) {}
void default_poll() {}

ConsoleHooks g_hooks = {default_read, default_write, default_exit, default_poll};

void call_write(const char* text, int32_t length, int32_t selector) {
    if (length <= 0) return;
    int32_t count = length;
    g_hooks.write(text, &count, selector);
}

// Current file offset of a real file, or -1 with errno set.
int64_t current_offset(int fd) { return ::lseek(fd, 0, SEEK_CUR); }

bool sequential_block_from_file(const UnitBlock& unit) {
    return (unit.attributes & attr::read_from_file) != 0;
}

// Writes a full or final sequential block; a block that was read from the file first steps
// back to its own place so the data is not duplicated further on.
int32_t write_sequential_block(UnitBlock& unit) {
    if (sequential_block_from_file(unit) && !is_selector(unit.handle)) {
        const int64_t start =
            unit.base_offset + static_cast<int64_t>(unit.block_number - 1) * unit.buffer_size;
        seek(unit, start);
        if (unit.last_error != 0) return unit.last_error;
        unit.block_number -= 1;
    }
    write_block(unit);
    if (unit.last_error != 0) return unit.last_error;
    unit.block_number += 1;
    unit.attributes &= ~(attr::dirty | attr::read_from_file);
    return 0;
}

bool reads_line_by_line(const UnitBlock& unit) {
    return (unit.attributes & (attr::char_device | attr::console)) != 0 || is_selector(unit.handle);
}

}  // namespace

void install_console_callbacks(const ConsoleHooks& hooks) {
    // A missing slot keeps the default, so no call ever goes through a null pointer.
    g_hooks.read = hooks.read != nullptr ? hooks.read : default_read;
    g_hooks.write = hooks.write != nullptr ? hooks.write : default_write;
    g_hooks.exit = hooks.exit != nullptr ? hooks.exit : default_exit;
    g_hooks.poll = hooks.poll != nullptr ? hooks.poll : default_poll;
}

const ConsoleHooks& console_hooks() { return g_hooks; }

ConsoleHooks default_console_hooks() {
    return {default_read, default_write, default_exit, default_poll};
}

void open_file(UnitBlock& unit, OpenStatus status, OpenAction action, bool append) {
    int flags = O_CLOEXEC;
    switch (action) {
        case OpenAction::read: flags |= O_RDONLY; break;
        case OpenAction::write: flags |= O_WRONLY; break;
        case OpenAction::readwrite: flags |= O_RDWR; break;
    }
    if (status == OpenStatus::new_file) flags |= O_CREAT | O_TRUNC;
    // A scratch name was created by us; never follow a link planted in its place.
    if ((unit.attributes & attr::status_mask) == attr::status_scratch) flags |= O_NOFOLLOW;
    if (unit.file_name == nullptr) {
        unit.last_error = ENOENT;
        return;
    }
    int fd;
    do {
        fd = ::open(unit.file_name, flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        unit.last_error = errno_or(EIO);
        return;
    }
    struct stat info {};
    int refusal = 0;
    if (::fstat(fd, &info) != 0)
        refusal = errno_or(EIO);
    else if (S_ISDIR(info.st_mode))
        refusal = EISDIR;
    int64_t base = 0;
    if (refusal == 0 && append) {
        base = ::lseek(fd, 0, SEEK_END);
        if (base < 0) {
            refusal = errno == ESPIPE ? 0 : errno_or(EIO);  // a pipe has no end to seek to
            base = 0;
        }
    }
    if (refusal != 0) {
        ::close(fd);
        unit.last_error = refusal;
        return;
    }
    unit.handle = fd;
    unit.base_offset = base;
    unit.last_error = 0;
    unit.tab_size = tab_size_from_environment();
}

int64_t file_size(UnitBlock& unit) {
    if (is_selector(unit.handle)) return 0;
    struct stat info {};
    if (unit.handle >= 0) {
        if (::fstat(unit.handle, &info) != 0) {
            unit.last_error = errno_or(EIO);
            return -1;
        }
    } else {
        // Existence test by name: stat() neither blocks on a FIFO nor needs read access.
        if (unit.file_name == nullptr || ::stat(unit.file_name, &info) != 0) return -1;
    }
    return S_ISREG(info.st_mode) ? static_cast<int64_t>(info.st_size) : 0;
}

bool is_char_device(const UnitBlock& unit) {
    if (is_selector(unit.handle)) return true;
    struct stat info {};
    return unit.handle >= 0 && ::fstat(unit.handle, &info) == 0 && S_ISCHR(info.st_mode);
}

void seek(UnitBlock& unit, int64_t offset) {
    if (is_selector(unit.handle)) {
        unit.last_error = 0;
        return;
    }
    if (offset < 0) {
        unit.last_error = EINVAL;
        return;
    }
    unit.last_error = ::lseek(unit.handle, offset, SEEK_SET) < 0 ? errno_or(EIO) : 0;
}

void read_block(UnitBlock& unit) {
    int64_t got;
    if (unit.handle == selector_input) {
        errno = 0;
        got = g_hooks.read(unit.buffer, unit.buffer_size);
        if (got > unit.buffer_size) got = unit.buffer_size;  // never trust more than we asked for
    } else if (is_selector(unit.handle) || unit.handle < 0) {
        errno = EBADF;
        got = -1;
    } else {
        got = read_some(unit.handle, unit.buffer, unit.buffer_size, !reads_line_by_line(unit));
    }
    if (got < 0) {
        unit.last_error = errno_or(EIO);
        return;
    }
    unit.buffer_fill = static_cast<int32_t>(got);
    unit.buffer_pos = 0;
    unit.last_error = 0;
}

void write_block(UnitBlock& unit) {
    const int32_t n = unit.buffer_fill;
    if (unit.handle == selector_output || unit.handle == selector_error) {
        if (n > 0) {
            int32_t count = n;
            errno = 0;
            if (g_hooks.write(unit.buffer, &count, unit.handle) == 0) {
                unit.last_error = errno_or(EIO);
                return;
            }
        }
    } else if (unit.handle < 0) {
        unit.last_error = EBADF;
        return;
    } else {
        if (int error = write_all(unit.handle, unit.buffer, n)) {
            unit.last_error = error;
            return;
        }
    }
    if ((unit.attributes & attr::truncate_pending) != 0 && truncate_after_write(unit) != 0) return;
    unit.buffer_pos = 0;
    unit.buffer_fill = 0;
    unit.last_error = 0;
}

int32_t truncate_after_write(UnitBlock& unit) {
    unit.attributes &= ~attr::truncate_pending;
    if ((unit.attributes & (attr::console | attr::char_device | attr::direct)) != 0) return 0;
    if (is_selector(unit.handle)) return 0;
    // The end of the data just written is where the file pointer now stands.
    const int64_t end = current_offset(unit.handle);
    struct stat info {};
    if (end < 0 || ::fstat(unit.handle, &info) != 0) {
        unit.last_error = errno_or(EIO);
        return -1;
    }
    if (!S_ISREG(info.st_mode) || end >= info.st_size) return 0;
    int result;
    do {
        result = ::ftruncate(unit.handle, end);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        unit.last_error = errno_or(EIO);
        return -1;
    }
    return 0;
}

int32_t close_file(UnitBlock& unit, bool remove) {
    int32_t error = 0;
    if (!is_selector(unit.handle) && unit.handle >= 0) {
        // Linux releases the descriptor even when close reports EINTR; never retry.
        if (::close(unit.handle) != 0 && errno != EINTR) error = errno_or(EIO);
        unit.handle = -1;
    }
    if (error == 0 && remove && unit.file_name != nullptr && ::unlink(unit.file_name) != 0)
        error = errno_or(EIO);
    unit.last_error = error;
    return error;
}

std::string scratch_name() {
    const char* tmpdir = std::getenv("TMPDIR");
    const char* candidates[] = {tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : nullptr, "/tmp", "."};
    for (const char* dir : candidates) {
        if (dir == nullptr) continue;
        std::string name = dir;
        if (name.back() != '/') name += '/';
        name += "FORXXXXXX";
        // mkstemp creates the file with O_CREAT|O_EXCL and mode 0600, trying new names on EEXIST.
        // The empty file is kept so the name stays ours until OPEN opens it.
        const int fd = ::mkstemp(name.data());
        if (fd < 0) continue;
        ::close(fd);
        return name;
    }
    return {};
}

int32_t tab_size_from_environment() {
    constexpr int32_t fallback = 8;
    const char* value = std::getenv("TABSIZE");
    if (value == nullptr) return fallback;
    const std::size_t length = std::strlen(value);
    if (length == 0 || length >= 20) return fallback;
    const char* p = value;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    int64_t n = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        n = n * 10 + (*p - '0');
        if (n > INT32_MAX) return fallback;
    }
    if (negative) n = -n;
    // Tab expansion cannot work with a stop width below 1.
    return n < 1 ? fallback : static_cast<int32_t>(n);
}

void write_error_text(const char* text, int32_t length) { call_write(text, length, selector_error); }

void write_output_text(const char* text, int32_t length) { call_write(text, length, selector_output); }

void poll_console() { g_hooks.poll(); }

namespace {

// Most records are a few dozen bytes, where a library call costs more than the copy: two
// overlapping fixed-size copies cover 16 to 64 bytes without one.
void copy_into_buffer(char* to, const char* from, int32_t n) {
    if (n >= 16 && n <= 32) {
        std::memcpy(to, from, 16);
        std::memcpy(to + n - 16, from + n - 16, 16);
    } else if (n > 32 && n <= 64) {
        std::memcpy(to, from, 32);
        std::memcpy(to + n - 32, from + n - 32, 32);
    } else {
        std::memcpy(to, from, static_cast<std::size_t>(n));
    }
}

}  // namespace

int32_t unit_write_bytes(UnitBlock& unit, const char* data, int32_t n) {
    unit.last_error = 0;
    if (n <= 0) return 0;
    if (unit.buffer == nullptr || unit.buffer_size <= 0) {
        unit.last_error = EINVAL;
        return unit.last_error;
    }
    const bool direct = (unit.attributes & attr::direct) != 0;
    while (n > 0) {
        const int32_t room = unit.buffer_size - unit.buffer_pos;
        if (room <= 0) {
            // A direct-access record never crosses its block.
            if (direct) {
                unit.last_error = EINVAL;
                return unit.last_error;
            }
            if (int32_t error = write_sequential_block(unit)) return error;
            continue;
        }
        const int32_t k = n < room ? n : room;
        copy_into_buffer(unit.buffer + unit.buffer_pos, data, k);
        unit.buffer_pos += k;
        data += k;
        n -= k;
        // A sequential write makes this record the last one: what was read beyond it goes.
        if (direct)
            unit.buffer_fill = unit.buffer_fill > unit.buffer_pos ? unit.buffer_fill : unit.buffer_pos;
        else
            unit.buffer_fill = unit.buffer_pos;
        unit.attributes |= attr::dirty;
        if (!direct && unit.buffer_pos == unit.buffer_size) {
            if (int32_t error = write_sequential_block(unit)) return error;
        }
    }
    return 0;
}

int32_t flush_unit(UnitBlock& unit) {
    unit.last_error = 0;
    if ((unit.attributes & attr::dirty) == 0) return 0;
    if ((unit.attributes & attr::direct) != 0) return write_back_direct_block(unit);
    return write_sequential_block(unit);
}

int unit_next_byte(UnitBlock& unit, char& byte) {
    unit.last_error = 0;
    if (unit.buffer_pos < unit.buffer_fill) {
        byte = unit.buffer[unit.buffer_pos++];
        return 1;
    }
    if ((unit.attributes & attr::direct) != 0) return 0;  // records come through positioning
    const bool line_device = reads_line_by_line(unit);
    if ((unit.attributes & attr::dirty) != 0) {
        const int32_t written = unit.buffer_fill;
        if (flush_unit(unit) != 0) return -1;
        // The records just written end the file. Their short block stays in the buffer as the
        // file's last, so a later write rewrites it in place instead of one block further on.
        if (!line_device && written < unit.buffer_size) {
            unit.buffer_fill = unit.buffer_pos = written;
            unit.attributes |= attr::read_from_file;
            return 0;
        }
    }
    // A file block that came back short was the file's last: reading on would only find its end.
    if (!line_device && sequential_block_from_file(unit) && unit.buffer_fill < unit.buffer_size)
        return 0;
    read_block(unit);
    if (unit.last_error != 0) return -1;
    if (!line_device) {
        unit.block_number += 1;
        unit.attributes |= attr::read_from_file;
    }
    if (unit.buffer_fill == 0) return 0;
    byte = unit.buffer[unit.buffer_pos++];
    return 1;
}

int32_t position_direct_record(UnitBlock& unit, bool for_read) {
    unit.last_error = 0;
    if (unit.records_per_block <= 0 || unit.record_length <= 0 || unit.record_number < 1) {
        unit.last_error = EINVAL;
        return unit.last_error;
    }
    const int64_t r = unit.record_number;
    const int64_t b = (r - 1) / unit.records_per_block;
    const bool device = (unit.attributes & attr::char_device) != 0;
    if (b != unit.block_number || device) {
        if ((unit.attributes & attr::dirty) != 0) {
            if (int32_t error = write_back_direct_block(unit)) return error;
        }
        const int64_t start = unit.base_offset + b * unit.buffer_size;
        const int64_t size = file_size(unit);
        if (unit.last_error != 0) return unit.last_error;
        if (for_read && size < start + unit.buffer_size) {
            unit.block_number = -1;
            return -1;
        }
        // Records of the block that the file does not hold yet read as blanks or zero bytes.
        const bool unformatted = (unit.attributes & attr::unformatted) != 0;
        std::memset(unit.buffer, unformatted ? 0 : ' ', static_cast<std::size_t>(unit.buffer_size));
        unit.block_number = -1;
        if ((for_read || (unit.attributes & attr::readable) != 0) && size > start) {
            seek(unit, start);
            if (unit.last_error != 0) return unit.last_error;
            read_block(unit);
            if (unit.last_error != 0) return unit.last_error;
        }
        unit.block_number = static_cast<int32_t>(b);
        unit.buffer_fill = unit.buffer_size;
    }
    unit.buffer_pos = static_cast<int32_t>(((r - 1) % unit.records_per_block) * unit.record_length);
    return 0;
}

int32_t reposition_to_read_record(UnitBlock& unit) {
    const int32_t bytes = unit.record_bytes;
    if (bytes <= 0 || has(unit.attributes, attr::char_device | attr::console)) return 0;
    if (bytes <= unit.buffer_pos) {
        unit.buffer_pos -= bytes;
        return 0;
    }
    if (!has(unit.attributes, attr::read_from_file) || unit.buffer_size <= 0) return 0;
    // The record began in an earlier block: load the block that holds its start.
    const int64_t size = unit.buffer_size;
    const int64_t start = (static_cast<int64_t>(unit.block_number) - 1) * size + unit.buffer_pos - bytes;
    if (start < 0) return 0;
    const int64_t block = start / size;
    seek(unit, unit.base_offset + block * size);
    if (unit.last_error != 0) return unit.last_error;
    read_block(unit);
    if (unit.last_error != 0) return unit.last_error;
    unit.block_number = static_cast<int32_t>(block + 1);
    unit.buffer_pos = static_cast<int32_t>(start - block * size);
    return 0;
}

int32_t write_back_direct_block(UnitBlock& unit) {
    unit.last_error = 0;
    if (unit.block_number < 0) {
        unit.attributes &= ~attr::dirty;
        return 0;
    }
    unit.buffer_fill = unit.buffer_size;
    const int32_t pos = unit.buffer_pos;
    seek(unit, unit.base_offset + static_cast<int64_t>(unit.block_number) * unit.buffer_size);
    if (unit.last_error != 0) return unit.last_error;
    write_block(unit);
    if (unit.last_error != 0) return unit.last_error;
    // The block stays loaded: the next record of it is served from memory.
    unit.buffer_fill = unit.buffer_size;
    unit.buffer_pos = pos;
    unit.attributes &= ~attr::dirty;
    return 0;
}

}  // namespace fio
