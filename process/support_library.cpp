// The process support library: callbacks, exit handlers, streams and the process exit.
#include "process/support_library.h"

#include <unistd.h>

#include <cstdlib>

namespace process {

namespace {

struct SupportLibrary {
    fio::ConsoleHooks callbacks = fio::default_console_hooks();
    ExitHandler* handlers = nullptr;
    int32_t handlerCount = 0;
    int32_t handlerCapacity = 0;
    std::FILE* streams[stream_slots] = {stdin, stdout, stderr};
};

SupportLibrary& library() {
    static SupportLibrary instance;
    return instance;
}

constexpr int32_t standard_streams = 3;

}  // namespace

void install_support_callbacks(const fio::ConsoleHooks& hooks) { library().callbacks = hooks; }

int32_t register_exit_handler(ExitHandler handler) {
    SupportLibrary& lib = library();
    if (lib.handlerCount == lib.handlerCapacity) {
        const int32_t capacity = lib.handlerCapacity + exit_handler_block;
        void* grown = std::realloc(lib.handlers, static_cast<size_t>(capacity) * sizeof(ExitHandler));
        if (grown == nullptr) return -1;
        lib.handlers = static_cast<ExitHandler*>(grown);
        lib.handlerCapacity = capacity;
    }
    lib.handlers[lib.handlerCount++] = handler;
    return 0;
}

int32_t exit_handler_count() { return library().handlerCount; }
int32_t exit_handler_capacity() { return library().handlerCapacity; }

int32_t open_stream(const char* path, const char* mode) {
    SupportLibrary& lib = library();
    for (int32_t slot = standard_streams; slot < stream_slots; ++slot) {
        if (lib.streams[slot] != nullptr) continue;
        lib.streams[slot] = std::fopen(path, mode);
        return lib.streams[slot] != nullptr ? slot : -1;
    }
    return -1;
}

std::FILE* stream(int32_t slot) { return slot >= 0 && slot < stream_slots ? library().streams[slot] : nullptr; }

int32_t close_stream(int32_t slot) {
    if (slot < standard_streams || slot >= stream_slots) return -1;
    std::FILE*& file = library().streams[slot];
    if (file == nullptr) return -1;
    const int result = std::fclose(file);
    file = nullptr;
    return result == 0 ? 0 : -1;
}

void end_process(int32_t status) {
    SupportLibrary& lib = library();
    // Each handler leaves the list before it runs, so one that registers another still ends.
    while (lib.handlerCount > 0) {
        const ExitHandler handler = lib.handlers[--lib.handlerCount];
        if (handler != nullptr) handler();
    }
    for (int32_t slot = 0; slot < stream_slots; ++slot) {
        std::FILE*& file = lib.streams[slot];
        if (file == nullptr) continue;
        std::fflush(file);
        if (slot >= standard_streams) {
            std::fclose(file);
            file = nullptr;
        }
    }
    if (lib.callbacks.exit != nullptr) lib.callbacks.exit(status);
    ::_exit(status & 0xFF);
}

}  // namespace process
