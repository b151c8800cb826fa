// A WRITE statement driven item by item through write_item, without the statement drivers:
// an internal file (or a given unit) as the target, a format text or list-directed layout.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "libf/fio/transfer_state.h"

namespace test_support {

class OutputFixture {
public:
    // An empty format means list-directed. The target is an internal file of `records`
    // elements of `length` characters each, all blank at first.
    explicit OutputFixture(std::string format, int32_t length = 200, int32_t records = 4);
    // The target is `unit` (already connected; it stays owned by the unit list, and the
    // statement record is left as it is at the end).
    OutputFixture(std::string format, fio::UnitBlock* unit);
    ~OutputFixture();
    OutputFixture(const OutputFixture&) = delete;
    OutputFixture& operator=(const OutputFixture&) = delete;

    // One item: type code, address, element length, element count. Returns the status.
    int32_t item(int32_t type, const void* address, int32_t length, int32_t count = 1);
    int32_t integer(int32_t value);
    int32_t integer1(int8_t value);
    int32_t integer2(int16_t value);
    int32_t integer8(int64_t value);
    int32_t real(float value);
    int32_t real(double value);
    int32_t complex(float re, float im);
    int32_t logical(int32_t value);
    int32_t text(std::string_view value);

    // Drives the statement with precompiled format records (20-byte header first) instead.
    void use_precompiled(const void* records);

    // Statement end: the format's trailing control descriptors, then the record end.
    int32_t finish();

    // The record being built (its `limit` characters).
    std::string record() const;
    // Element i of the internal file, and how many elements have been written.
    std::string element(int32_t i) const;
    int32_t elements_written() const;
    int32_t iostat() const { return iostat_; }
    fio::TransferState& state();

private:
    void begin();

    std::string format_;
    std::vector<char> file_;
    int32_t length_ = 0;
    int32_t records_ = 0;
    int32_t iostat_ = 0;
    bool internal_ = false;
};

}  // namespace test_support
