// System information for the About box.
#include "framework/about_box.h"

#include <unistd.h>

#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <utility>

namespace fw {

namespace {

std::string g_aboutCredit;

// The kernel refuses mappings below vm.mmap_min_addr; 65,536 is its usual value.
uint64_t lowestMappableAddress() {
    std::ifstream file("/proc/sys/vm/mmap_min_addr");
    uint64_t value = 0;
    if (file >> value && value > 0) return value;
    return 0x10000;
}

}  // namespace

SystemInfo systemInfo() {
    SystemInfo info;
    const long page = ::sysconf(_SC_PAGESIZE);
    info.pageSize = page > 0 ? static_cast<int32_t>(page) : 4096;
    info.minimumAddress = lowestMappableAddress();
    // The top of the 47-bit user address space, less the guard page.
    info.maximumAddress = (uint64_t{1} << 47) - static_cast<uint64_t>(info.pageSize) - 1;
#if defined(__x86_64__)
    info.processorType = kProcessorTypeX8664;
#endif
    const long processors = ::sysconf(_SC_NPROCESSORS_ONLN);
    info.processorCount = processors > 0 ? static_cast<int32_t>(processors) : 1;
    return info;
}

std::string formatAddress(uint64_t address) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%08" PRIx64, address);
    return text;
}

void setAboutCredit(std::string line) { g_aboutCredit = std::move(line); }

const std::string& aboutCredit() { return g_aboutCredit; }

}  // namespace fw
