// The cache of recurring WRITE fields: a direct-mapped table of fields, allocated at its first
// use and small enough to stay in the processor's caches. A zeroed slot holds no key, since
// every kept field has a width; without memory there is simply no cache.
#include "libf/fio/record_cache.h"

#include <cstring>

#include "libf/array_descriptor.h"
#include "libf/fio/drivers.h"
#include "libf/fio/format.h"
#include "libf/fio/heap.h"

namespace fio {

namespace {

constexpr std::size_t table_bits = 15;
constexpr std::size_t table_size = std::size_t{1} << table_bits;

// One field: the descriptor's words and the value's bits, and the field's text (as wide as the
// descriptor's width).
struct alignas(32) KeptField {
    uint32_t descriptor[3];
    uint32_t bits;
    char text[cached_field_chars];
};

KeptField* g_table = nullptr;

uint32_t le32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

uint32_t record_code(const uint8_t* record) { return le32(record + frec::word0) & 0x7F; }

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

std::size_t slot_of(const uint32_t (&descriptor)[3], uint32_t bits) {
    const uint64_t h = (uint64_t{bits} << 32 ^ descriptor[0] ^ uint64_t{descriptor[1]} << 8 ^ uint64_t{descriptor[2]} << 16) *
                       0x9E3779B97F4A7C15ull;
    return static_cast<std::size_t>(h >> (64 - table_bits));
}

bool holds(const KeptField& slot, const RecordKey& key, uint32_t bits) {
    return slot.bits == bits && slot.descriptor[0] == key.descriptor[0] && slot.descriptor[1] == key.descriptor[1] &&
           slot.descriptor[2] == key.descriptor[2];
}

// Aligned to the slot; the block is never freed.
KeptField* allocate_table() {
    const std::size_t line = alignof(KeptField);
    void* block = alloc_mem(table_size * sizeof(KeptField) + line, true);
    if (block == nullptr) return nullptr;
    const auto address = (reinterpret_cast<std::uintptr_t>(block) + line - 1) & ~(line - 1);
    return reinterpret_cast<KeptField*>(address);
}

}  // namespace

bool record_key_of(const uint8_t* data, const std::intptr_t* items, RecordKey& key) {
    const uint8_t* end = data + sizeof(FormatRecord);
    if (!is_real_descriptor(record_code(data)) || record_code(end) != rec_end) return false;
    const uint32_t width = le32(data + frec::width) & 0xFFFFFF;
    if (width == 0 || width > cached_field_chars) return false;  // 0: defaults by item type
    key = RecordKey{};
    key.descriptor[0] = le32(data + frec::word0);
    key.descriptor[1] = le32(data + frec::digits) & 0xFFFFFF;
    key.descriptor[2] = width;
    return take_items(items, static_cast<int32_t>(le32(data + frec::repeat)), key);
}

bool record_key_of(const TransferState& state, const std::intptr_t* items, RecordKey& key) {
    return at_plain_start(state) && record_key_of(state.format_code, items, key);
}

int32_t find_cached_record(const RecordKey& key, char* text) {
    if (!g_table) return -1;
    const auto width = static_cast<int32_t>(key.descriptor[2]);
    for (uint32_t i = 0; i < key.count; ++i) {
        const uint32_t bits = key.bits[i];
        const KeptField& slot = g_table[slot_of(key.descriptor, bits)];
        if (!holds(slot, key, bits)) return -1;
        std::memcpy(text + i * width, slot.text, cached_field_chars);
    }
    return width * static_cast<int32_t>(key.count);
}

void keep_cached_record(const RecordKey& key, const RecordBuffer& record) {
    const auto width = static_cast<int32_t>(key.descriptor[2]);
    if (record.limit != width * static_cast<int32_t>(key.count) || record.position != record.limit) return;
    if (!g_table) g_table = allocate_table();
    if (!g_table) return;
    for (uint32_t i = 0; i < key.count; ++i) {
        KeptField& slot = g_table[slot_of(key.descriptor, key.bits[i])];
        std::memcpy(slot.descriptor, key.descriptor, sizeof slot.descriptor);
        slot.bits = key.bits[i];
        std::memcpy(slot.text, record.data + i * width, static_cast<std::size_t>(width));
    }
}

}  // namespace fio
