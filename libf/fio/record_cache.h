// Records that recur: a whole WRITE statement whose precompiled format is one real data
// descriptor (such as 10F10.3) and whose items are a few scalar 4-byte reals makes a record
// text that is the fields of its items side by side, and each field depends on nothing but
// that descriptor and its value. The fields are kept, and a later statement whose values all
// have kept fields takes them instead of editing every item again.
#pragma once

#include <cstdint>

#include "libf/fio/transfer_state.h"

namespace fio {

constexpr int32_t cached_record_items = 3;
constexpr int32_t cached_field_chars = 16;
constexpr int32_t cached_record_chars = cached_record_items * cached_field_chars;

// What decides a cached record's text.
struct RecordKey {
    uint32_t descriptor[3] = {};  // the data record's code word, digits and width
    uint32_t count = 0;
    uint32_t bits[cached_record_items] = {};
};

// The key of a whole formatted WRITE whose format records begin at `format_code`, with `items`
// pointing at the call's item count; false when the statement does not qualify. The statement
// must start as every statement does: empty record, no scale factor, no sign mode.
bool record_key_of(const uint8_t* format_code, const std::intptr_t* items, RecordKey& key);
// The same after the statement's begin step, which it checks for that plain start.
bool record_key_of(const TransferState& state, const std::intptr_t* items, RecordKey& key);

// The record's text into `text` (room for cached_record_chars) when every field of it is kept;
// returns its length, or -1.
int32_t find_cached_record(const RecordKey& key, char* text);

// Keeps the fields of the record text the general item path made for key.
void keep_cached_record(const RecordKey& key, const RecordBuffer& record);

}  // namespace fio
