// The cache of recurring WRITE fields. Many values, few texts: a field is kept as the value's
// bits, the descriptor's number among the kept descriptors and the text's number among the kept
// texts, 8 bytes in a table of 4-way sets (256 KiB), small enough to stay near the processor;
// each text is kept once. Everything lives in one zeroed block allocated at the first use; a
// zeroed slot holds no field, since descriptors count from 1. Without memory, or once the
// descriptors or texts are all taken, fields are simply not kept.
#include "libf/fio/record_cache.h"

#include <cstring>

#include "libf/array_descriptor.h"
#include "libf/fio/drivers.h"
#include "libf/fio/format.h"
#include "libf/fio/heap.h"

namespace fio {

namespace {

constexpr int32_t set_bits = 13;
constexpr int32_t set_ways = 4;
constexpr int32_t max_descriptors = 8;
constexpr int32_t text_bits = 15;
constexpr int32_t max_texts = 1 << text_bits;

// A kept field in one word: the value's bits (0-31), the descriptor's number from 1 (32-47)
// and the text's number (48-63).
using FieldSlot = uint64_t;
constexpr FieldSlot field_key_mask = (uint64_t{1} << 48) - 1;

FieldSlot field_key(uint32_t descriptor, uint32_t bits) { return uint64_t{bits} | uint64_t{descriptor} << 32; }

// A text, as wide as its descriptor and padded with NULs, which no field holds.
struct FieldText {
    char chars[cached_field_chars];
    bool operator==(const FieldText&) const = default;
};

struct alignas(32) FieldSet {
    FieldSlot ways[set_ways];
};

struct Cache {
    FieldSet fields[1 << set_bits];
    uint32_t descriptors[max_descriptors][3];
    int32_t descriptor_count;
    FieldText texts[max_texts];
    int32_t text_count;
    uint16_t text_slots[2 << text_bits];  // 1 + a text's number; open addressing
};

Cache* g_cache = nullptr;

// Real data descriptors edit a 4-byte real without error and without looking at anything but
// their operands, the scale factor and the sign mode.
bool is_real_descriptor(uint32_t code) {
    return code == rec_f || code == rec_e || code == rec_d || code == rec_es || code == rec_en ||
           code == rec_g;
}

// Statement state as every statement begins it: empty record, no scale factor, no sign mode.
bool at_plain_start(const TransferState& state) {
    const uint32_t format_kind = pres::formatted | pres::precompiled_format | pres::list_directed | pres::namelist;
    return (state.present & format_kind) == (pres::formatted | pres::precompiled_format) &&
           state.terminated == 0 && state.record.position == 0 && state.record.limit == 0 &&
           state.scale_factor == 0 && (state.statement_flags & sflag::sign_plus) == 0 &&
           state.format_code != nullptr;
}

// Items: scalar 4-byte reals only, no more than the descriptor's repeat count, so the format
// never reaches its end and no control descriptor is met before or after them.
bool take_items(const std::intptr_t* p, int32_t repeat, RecordKey& key) {
    const std::intptr_t count = *p++;
    if (count < 1 || count > cached_record_items || count > repeat) return false;
    key.count = static_cast<uint32_t>(count);
    for (std::intptr_t i = 0; i < count; ++i, p += 3) {
        const auto type_word = static_cast<uint32_t>(p[1]);
        if (p[0] != item_kind::scalar || libf::type_class(type_word) != libf::class_real ||
            libf::type_size_bytes(type_word) != 4)
            return false;
        std::memcpy(&key.bits[i], reinterpret_cast<const void*>(p[2]), 4);
    }
    return true;
}

uint64_t field_hash(uint32_t descriptor, uint32_t bits) {
    return (uint64_t{bits} << 8 | descriptor) * 0x9E3779B97F4A7C15ull;
}

FieldSet& field_set(Cache& cache, uint64_t hash) { return cache.fields[hash >> (64 - set_bits)]; }

// The field's way in its set, or -1. Every way is looked at, without a branch to mispredict.
int32_t find_field(const FieldSet& set, FieldSlot key) {
    int32_t found = -1;
    for (int32_t w = 0; w < set_ways; ++w) found = (set.ways[w] & field_key_mask) == key ? w : found;
    return found;
}

// Where a field goes: its own way, an empty one, or one the hash picks.
FieldSlot& place_field(FieldSet& set, FieldSlot key, uint64_t hash) {
    if (const int32_t kept = find_field(set, key); kept >= 0) return set.ways[kept];
    for (FieldSlot& slot : set.ways)
        if (slot == 0) return slot;
    return set.ways[hash & (set_ways - 1)];
}

// The descriptor's number, or 0 when it is not kept.
uint32_t descriptor_number(const Cache& cache, const RecordKey& key) {
    for (int32_t i = 0; i < cache.descriptor_count; ++i)
        if (std::memcmp(cache.descriptors[i], key.descriptor, sizeof key.descriptor) == 0)
            return static_cast<uint32_t>(i + 1);
    return 0;
}

uint32_t keep_descriptor(Cache& cache, const RecordKey& key) {
    if (const uint32_t number = descriptor_number(cache, key)) return number;
    if (cache.descriptor_count == max_descriptors) return 0;
    std::memcpy(cache.descriptors[cache.descriptor_count++], key.descriptor, sizeof key.descriptor);
    return static_cast<uint32_t>(cache.descriptor_count);
}

// The text's number, kept now if it was not; -1 when the texts are all taken.
int32_t keep_text(Cache& cache, const FieldText& text) {
    uint64_t h = 0;
    std::memcpy(&h, text.chars, sizeof h);
    uint64_t rest = 0;
    std::memcpy(&rest, text.chars + sizeof h, sizeof rest);
    h = (h ^ rest * 0xBF58476D1CE4E5B9ull) * 0x9E3779B97F4A7C15ull;
    constexpr std::size_t mask = (std::size_t{2} << text_bits) - 1;
    for (std::size_t i = static_cast<std::size_t>(h >> 40) & mask;; i = (i + 1) & mask) {
        const uint16_t slot = cache.text_slots[i];
        if (slot != 0 && cache.texts[slot - 1] == text) return slot - 1;
        if (slot == 0) {
            if (cache.text_count == max_texts) return -1;
            cache.texts[cache.text_count] = text;
            cache.text_slots[i] = static_cast<uint16_t>(++cache.text_count);
            return cache.text_count - 1;
        }
    }
}

}  // namespace

bool record_key_of(const uint8_t* data, const std::intptr_t* items, RecordKey& key) {
    const uint8_t* end = data + sizeof(FormatRecord);
    if (!is_real_descriptor(record_code(data)) || record_code(end) != rec_end) return false;
    const uint32_t width = record_operand(data, frec::width);
    if (width == 0 || width > cached_field_chars) return false;  // 0: defaults by item type
    key.descriptor[0] = record_word(data, frec::word0);
    key.descriptor[1] = record_operand(data, frec::digits);
    key.descriptor[2] = width;
    return take_items(items, static_cast<int32_t>(record_word(data, frec::repeat)), key);
}

bool record_key_of(const TransferState& state, const std::intptr_t* items, RecordKey& key) {
    return at_plain_start(state) && record_key_of(state.format_code, items, key);
}

int32_t find_cached_record(const RecordKey& key, char* text) {
    if (!g_cache) return -1;
    const uint32_t descriptor = descriptor_number(*g_cache, key);
    if (descriptor == 0) return -1;
    const auto width = static_cast<int32_t>(key.descriptor[2]);
    for (uint32_t i = 0; i < key.count; ++i) {
        const uint32_t bits = key.bits[i];
        const FieldSet& set = field_set(*g_cache, field_hash(descriptor, bits));
        const int32_t way = find_field(set, field_key(descriptor, bits));
        if (way < 0) return -1;
        std::memcpy(text + i * width, g_cache->texts[set.ways[way] >> 48].chars, cached_field_chars);
    }
    return width * static_cast<int32_t>(key.count);
}

void keep_cached_record(const RecordKey& key, const RecordBuffer& record) {
    const auto width = static_cast<int32_t>(key.descriptor[2]);
    if (record.limit != width * static_cast<int32_t>(key.count) || record.position != record.limit) return;
    if (!g_cache) g_cache = static_cast<Cache*>(alloc_mem(sizeof(Cache), true));
    if (!g_cache) return;
    const uint32_t descriptor = keep_descriptor(*g_cache, key);
    if (descriptor == 0) return;
    for (uint32_t i = 0; i < key.count; ++i) {
        FieldText text{};
        std::memcpy(text.chars, record.data + i * width, static_cast<std::size_t>(width));
        const int32_t number = keep_text(*g_cache, text);
        if (number < 0) return;
        const uint64_t hash = field_hash(descriptor, key.bits[i]);
        const FieldSlot field = field_key(descriptor, key.bits[i]);
        place_field(field_set(*g_cache, hash), field, hash) = field | uint64_t(number) << 48;
    }
}

}  // namespace fio
