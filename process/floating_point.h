// What the process entries share: the floating-point set-up.
#pragma once

namespace process {

// Masks every floating-point exception, rounds to nearest and sets the x87 precision to 53 bits.
void set_floating_point();

}  // namespace process
