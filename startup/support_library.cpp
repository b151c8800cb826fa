// The process support library: callbacks, exit handlers, streams and the process exit.
#include "startup/support_library.h"

#include <unistd.h>

#include <cstdlib>
#include <ctime>

namespace startup {

namespace {

struct SupportLibrary {
    fio::ConsoleHooks callbacks = fio::default_console_hooks();
    ExitHandler* handlers = nullptr;
    int32_t handlerCount = 0;
    int32_t handlerCapacity = 0;
    std::FILE* streams[kStreamSlots] = {stdin, stdout, stderr};
    int argc = 0;
    char** argv = nullptr;
    std::timespec startTime{};
};

SupportLibrary& library() {
    static SupportLibrary instance;
    return instance;
}

constexpr int32_t kStandardStreams = 3;

}  // namespace

void installSupportCallbacks(const fio::ConsoleHooks& hooks) { library().callbacks = hooks; }

const fio::ConsoleHooks& supportCallbacks() { return library().callbacks; }

int32_t registerExitHandler(ExitHandler handler) {
    SupportLibrary& lib = library();
    if (lib.handlerCount == lib.handlerCapacity) {
        const int32_t capacity = lib.handlerCapacity + kExitHandlerBlock;
        void* grown = std::realloc(lib.handlers, static_cast<size_t>(capacity) * sizeof(ExitHandler));
        if (grown == nullptr) return -1;
        lib.handlers = static_cast<ExitHandler*>(grown);
        lib.handlerCapacity = capacity;
    }
    lib.handlers[lib.handlerCount++] = handler;
    return 0;
}

int32_t exitHandlerCount() { return library().handlerCount; }
int32_t exitHandlerCapacity() { return library().handlerCapacity; }

int32_t openStream(const char* path, const char* mode) {
    SupportLibrary& lib = library();
    for (int32_t slot = kStandardStreams; slot < kStreamSlots; ++slot) {
        if (lib.streams[slot] != nullptr) continue;
        lib.streams[slot] = std::fopen(path, mode);
        return lib.streams[slot] != nullptr ? slot : -1;
    }
    return -1;
}

std::FILE* stream(int32_t slot) { return slot >= 0 && slot < kStreamSlots ? library().streams[slot] : nullptr; }

int32_t closeStream(int32_t slot) {
    if (slot < kStandardStreams || slot >= kStreamSlots) return -1;
    std::FILE*& file = library().streams[slot];
    if (file == nullptr) return -1;
    const int result = std::fclose(file);
    file = nullptr;
    return result == 0 ? 0 : -1;
}

void prepareSupportLibrary(int argc, char** argv) {
    SupportLibrary& lib = library();
    lib.argc = argc;
    lib.argv = argv;
    std::timespec_get(&lib.startTime, TIME_UTC);
}

void processExit(int32_t status) {
    SupportLibrary& lib = library();
    // Each handler leaves the list before it runs, so one that registers another still ends.
    while (lib.handlerCount > 0) {
        const ExitHandler handler = lib.handlers[--lib.handlerCount];
        if (handler != nullptr) handler();
    }
    for (int32_t slot = 0; slot < kStreamSlots; ++slot) {
        std::FILE*& file = lib.streams[slot];
        if (file == nullptr) continue;
        std::fflush(file);
        if (slot >= kStandardStreams) {
            std::fclose(file);
            file = nullptr;
        }
    }
    if (lib.callbacks.exit != nullptr) lib.callbacks.exit(status);
    ::_exit(status & 0xFF);
}

}  // namespace startup
