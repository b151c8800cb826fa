// The system information the About box shows, and how its fields are written.
#pragma once

#include <cstdint>
#include <string>

namespace fw {

struct SystemInfo {
    int32_t pageSize = 0;
    uint64_t minimumAddress = 0;  // lowest and highest address a program may map
    uint64_t maximumAddress = 0;
    int32_t processorType = 0;
    int32_t processorCount = 0;
};

constexpr int32_t kProcessorTypeX8664 = 8664;

SystemInfo systemInfo();

// "0x" and at least eight lowercase hexadecimal digits, zero-padded, never signed.
std::string formatAddress(uint64_t address);

// The About box's second credit line, given by the process entry (the program and its
// version); while empty the framework's own wording stays.
void setAboutCredit(std::string line);
const std::string& aboutCredit();

}  // namespace fw
