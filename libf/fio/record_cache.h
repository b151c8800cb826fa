// Records that recur: a whole WRITE statement whose precompiled format is one real data
// descriptor (such as 10F10.3) and whose items are a few scalar 4-byte reals makes a record
// text that depends on nothing but that descriptor and the values. The text of such a
// statement is kept, and a later statement with the same descriptor and values takes it
// instead of editing every item again.
#pragma once

#include <cstdint>

#include "libf/fio/transfer_state.h"

namespace fio {

constexpr int32_t cached_record_items = 3;
constexpr int32_t cached_record_chars = 32;

// What decides a cached record's text.
struct RecordKey {
    uint32_t descriptor[3] = {};  // the data record's code word, digits and width
    uint32_t count = 0;
    uint32_t bits[cached_record_items] = {};
    bool operator==(const RecordKey&) const = default;
};

// The key of a formatted WRITE that begins and ends in one call, after its begin step, with
// `items` pointing at the call's item count; false when the statement does not qualify.
bool record_key_of(const TransferState& state, const std::intptr_t* items, RecordKey& key);

// The text kept for key, or null. One cache line each.
struct alignas(64) CachedRecord {
    RecordKey key;
    int32_t length = 0;
    char text[cached_record_chars];
};
const CachedRecord* find_cached_record(const RecordKey& key);

// Keeps the record text the general item path made for key (when it is short enough).
void keep_cached_record(const RecordKey& key, const RecordBuffer& record);

}  // namespace fio
