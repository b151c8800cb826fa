// A WRITE statement driven item by item through write_item.
#include "tests/support/output_fixture.h"

#include <utility>

#include "libf/fio/errors.h"
#include "libf/fio/format.h"
#include "libf/fio/output_edit.h"
#include "libf/fio/record.h"
#include "libf/fio/units.h"
#include "tests/support/test_support.h"

namespace test_support {

using namespace fio;

OutputFixture::OutputFixture(std::string format, int32_t length, int32_t records)
    : format_(std::move(format)),
      file_(static_cast<std::size_t>(length) * records, ' '),
      length_(length),
      records_(records),
      internal_(true) {
    reset_transfer_state();
    TransferState& s = transfer_state();
    UnitBlock& unit = s.internal_unit;
    unit.attributes = attr::readable | attr::writable | attr::internal | attr::pad_yes;
    unit.buffer = file_.data();
    unit.buffer_size = length;
    unit.record_length = length;
    unit.buffer_pos = 0;
    unit.block_number = records;
    unit.tab_size = 8;
    s.options = opt::status_codes | opt::internal_file;
    s.current_unit = &unit;
    begin();
}

OutputFixture::OutputFixture(std::string format, UnitBlock* unit) : format_(std::move(format)) {
    TransferState& s = transfer_state();
    s.options = opt::status_codes;
    s.current_unit = unit;
    begin();
}

void OutputFixture::begin() {
    TransferState& s = transfer_state();
    s.present = pres::formatted | pres::iostat | (format_.empty() ? uint32_t{pres::list_directed} : 0u);
    s.iostat_var = &iostat_;
    s.iostat_width = 4;
    s.terminated = 0;
    s.statement_flags = 0;
    set_statement_kind(s, kind_write);
    ensure_record_buffers(s);
    s.record.limit = s.record.position = 0;
    if (format_.empty()) {
        append_repeated(s.record, ' ', 1);
        s.statement_flags |= sflag::last_was_character;
    } else {
        s.format_start = format_.c_str();
        s.format_length = static_cast<int32_t>(format_.size());
        begin_format(s);
    }
}

OutputFixture::~OutputFixture() {
    TransferState& s = transfer_state();
    free_format(s);
    if (internal_) {
        reset_transfer_state();
    } else {
        s.iostat_var = nullptr;
        s.present &= ~pres::iostat;
    }
}

void OutputFixture::use_precompiled(const void* records) {
    TransferState& s = transfer_state();
    free_format(s);
    s.present |= pres::precompiled_format;
    s.format_start = records;
    begin_format(s);
}

TransferState& OutputFixture::state() { return transfer_state(); }

int32_t OutputFixture::item(int32_t type, const void* address, int32_t length, int32_t count) {
    TransferState& s = transfer_state();
    s.item_type = type;
    s.item_address = const_cast<void*>(address);
    s.item_length = length;
    s.item_count = count;
    return write_item(s);
}

int32_t OutputFixture::integer(int32_t value) { return item(item_int4, &value, 4); }
int32_t OutputFixture::integer1(int8_t value) { return item(item_int1, &value, 1); }
int32_t OutputFixture::integer2(int16_t value) { return item(item_int2, &value, 2); }
int32_t OutputFixture::integer8(int64_t value) { return item(item_int4, &value, 8); }
int32_t OutputFixture::real(float value) { return item(item_real4, &value, 4); }
int32_t OutputFixture::real(double value) { return item(item_real8, &value, 8); }
int32_t OutputFixture::complex(float re, float im) {
    const float parts[2] = {re, im};
    return item(item_complex8, parts, 4, 2);
}
int32_t OutputFixture::logical(int32_t value) { return item(item_logical4, &value, 4); }
int32_t OutputFixture::text(std::string_view value) {
    return item(item_char, value.data(), static_cast<int32_t>(value.size()));
}

int32_t OutputFixture::finish() {
    TransferState& s = transfer_state();
    if (s.terminated != 0) return 1;
    if (!format_.empty()) {
        while (pending_control(s)) {
            EditCode code = edit_end;
            if (int32_t status = next_edit_descriptor(0, s, code)) return status;
            if (code == edit_colon) break;
            if (int32_t status = perform_output_control(s, code)) return status;
        }
    }
    return end_output_record(s);
}

std::string OutputFixture::record() const {
    const RecordBuffer& r = transfer_state().record;
    return std::string(r.data, static_cast<std::size_t>(r.limit));
}

std::string OutputFixture::element(int32_t i) const {
    return std::string(file_.data() + static_cast<std::size_t>(i) * length_, static_cast<std::size_t>(length_));
}

int32_t OutputFixture::elements_written() const {
    return records_ - transfer_state().internal_unit.block_number;
}

}  // namespace test_support
