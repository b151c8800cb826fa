// The process's one statement record.
#include "libf/fio/transfer_state.h"

namespace fio {

TransferState& transfer_state() {
    static TransferState state;
    return state;
}

}  // namespace fio
