// PAUSE: show a text on the console and wait for one line of input.
#pragma once

#include <cstdint>

namespace fio {

void pause(const char* text, int32_t length);

}  // namespace fio
