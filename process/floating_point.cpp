// Floating-point set-up of the process, shared by both entries.
#include "process/floating_point.h"

#include <cfenv>

namespace process {

void set_floating_point() {
    // Reset state: every exception masked, round to nearest. The analysis relies on masked
    // exceptions (0/0 is a NaN and the run goes on).
    std::feclearexcept(FE_ALL_EXCEPT);
    std::fesetround(FE_TONEAREST);
#if defined(__x86_64__) || defined(__i386__)
    // x87 precision control 53 bits, as the long double work of the run-time expects.
    const unsigned short control_word = 0x027F;
    __asm__ volatile("fldcw %0" : : "m"(control_word));
#endif
}

}  // namespace process
