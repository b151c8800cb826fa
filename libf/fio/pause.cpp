// PAUSE: show the text on the console and wait for one line of input.
#include <algorithm>
#include <string_view>

#include "libf/fio/pause.h"

#include "libf/fio/io_calls.h"

namespace fio {

void pause(const char* text, int32_t length) {
    const std::string_view shown(text != nullptr ? text : "", text != nullptr ? std::max(length, 0) : 0);
    write_list(STAR, {item(shown)});
    // A READ without items takes one record and discards it.
    read_list(STAR).run();
}

}  // namespace fio
