#include "libf/fio/format.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "libf/fio/errors.h"
#include "libf/fio/record.h"
#include "tests/support/test_support.h"

namespace {

using fio::EditCode;
using Bytes = std::vector<uint8_t>;
constexpr int32_t I4 = fio::item_int4;
constexpr int32_t R4 = fio::item_real4;

// Names of the edit codes, for the descriptor traces below.
std::string name(EditCode code) {
    static const char* const names[] = {"end", "I", "B", "O", "Z", "F", "E", "D", "ES", "EN", "G",
                                        "L", "A", "T", "TL", "TR", "X", "P", "/", "'", "?", "?",
                                        "SP", "SS", "BN", "BZ", ":", "$", "Q"};
    return code < sizeof names / sizeof names[0] ? names[code] : "?";
}

// One fetched descriptor with its operands, e.g. "I3.1", "F10.3", "E24.15E3", "X1", "-2P".
std::string token(EditCode code, const fio::TransferState& s) {
    const std::string w = std::to_string(s.edit_width);
    switch (code) {
    case fio::edit_i: case fio::edit_b: case fio::edit_o: case fio::edit_z: case fio::edit_f:
        return name(code) + w + "." + std::to_string(s.edit_digits);
    case fio::edit_e: case fio::edit_d: case fio::edit_es: case fio::edit_en: case fio::edit_g:
        return name(code) + w + "." + std::to_string(s.edit_digits) + "E" + std::to_string(s.edit_exponent);
    case fio::edit_p: return std::to_string(s.scale_factor) + "P";
    case fio::edit_string: return "'" + std::string(fio::edit_text(s), s.edit_width) + "'";
    case fio::edit_l: case fio::edit_a: case fio::edit_t: case fio::edit_tl: case fio::edit_tr:
    case fio::edit_x: case fio::edit_slash:
        return name(code) + w;
    default: return name(code);
    }
}

struct Outcome {
    std::vector<std::string> records;
    int32_t status = 0;
    int32_t iostat = 0;
};

// Precompiled records: the 20-byte header, then (code, e, d, w, repeat) per record.
struct Rec {
    int32_t code, e, d, w, repeat;
};
Bytes records(std::initializer_list<Rec> list, const std::string& string_text = "") {
    Bytes out(20, 0);
    for (const Rec& r : list) {
        const uint32_t words[5] = {static_cast<uint32_t>(r.code | r.e << 10), static_cast<uint32_t>(r.d),
                                   static_cast<uint32_t>(r.w), 0, static_cast<uint32_t>(r.repeat)};
        for (uint32_t word : words)
            for (int b = 0; b < 4; ++b) out.push_back(static_cast<uint8_t>(word >> (8 * b)));
        if (r.code == fio::rec_string) {  // the characters, padded to whole records
            out.insert(out.end(), string_text.begin(), string_text.end());
            out.resize(out.size() + (20 - string_text.size() % 20) % 20, 0);
        }
    }
    return out;
}

class FormatInterpret : public ::testing::Test {
protected:
    static constexpr int32_t element = 80;
    static constexpr int32_t elements = 6;
    char file[elements][element];
    int32_t iostat = 0;

    fio::TransferState& s = fio::transfer_state();

    void SetUp() override { test_support::reset_transfer_state(); }
    void TearDown() override { test_support::reset_transfer_state(); }

    // A formatted statement on an internal file, with IOSTAT= so that errors come back.
    void start(fio::StatementKind kind, const std::string& text, const Bytes* recs = nullptr) {
        text_ = text;
        s.present = fio::pres::formatted | fio::pres::iostat;
        s.iostat_var = &iostat;
        s.iostat_width = 4;
        fio::set_statement_kind(s, kind);
        if (recs != nullptr) {
            s.present |= fio::pres::precompiled_format;
            s.format_start = recs->data();
        } else {
            s.format_start = text_.data();
            s.format_length = static_cast<int32_t>(text_.size());
        }
        fio::UnitBlock& u = s.internal_unit;
        u = fio::UnitBlock{};
        u.attributes = fio::attr::internal | fio::attr::readable | fio::attr::writable;
        u.buffer = &file[0][0];
        u.buffer_size = sizeof file;
        u.record_length = element;
        u.block_number = elements;
        s.current_unit = &u;
    }

    // A WRITE whose items record the descriptors they are given instead of values.
    Outcome write(const std::string& text, std::vector<int32_t> items, const Bytes* recs = nullptr) {
        start(fio::kind_write, text, recs);
        Outcome out;
        out.status = fio::begin_format(s);
        EditCode code = fio::edit_end;
        for (int32_t type : items) {
            do {
                if (out.status == 0) out.status = fio::next_edit_descriptor(type, s, code);
                if (out.status == 0) put(token(code, s));
            } while (out.status == 0 && !fio::is_data_edit(code) && code != fio::edit_end);
        }
        while (out.status == 0 && fio::pending_control(s)) {
            out.status = fio::next_edit_descriptor(0, s, code);
            if (out.status != 0 || code == fio::edit_colon) break;
            put(token(code, s));
        }
        if (out.status == 0) out.status = fio::end_output_record(s);
        fio::free_format(s);
        for (int32_t i = 0; i < elements - s.internal_unit.block_number; ++i) {
            std::string r(file[i], element);
            out.records.push_back(r.substr(0, r.find_last_not_of(' ') + 1));
        }
        out.iostat = iostat;
        return out;
    }

private:
    std::string text_;
    void put(const std::string& t) {
        const std::string spaced = (s.record.limit > 0 ? " " : "") + t;
        fio::append_chars(s.record, spaced.data(), static_cast<int32_t>(spaced.size()));
    }
};

using Records = std::vector<std::string>;

TEST_F(FormatInterpret, RepeatsGroupsAndReversion) {
    const struct {
        std::string text;
        std::vector<int32_t> items;
        Records expected;
    } cases[] = {
        {"(I3)", {I4, I4, I4}, {"I3.1", "I3.1", "I3.1"}},
        {"(I1,I2)", {I4, I4, I4}, {"I1.1 I2.1", "I1.1"}},
        {"(10F10.3)", {R4, R4, R4}, {"F10.3 F10.3 F10.3"}},
        {"(1X,2(I3))", {I4, I4, I4, I4, I4}, {"X1 I3.1 I3.1", "I3.1 I3.1", "I3.1"}},
        {"(I1,2(I2,3(I3)))", {I4, I4, I4, I4, I4, I4, I4, I4, I4, I4, I4},
         {"I1.1 I2.1 I3.1 I3.1 I3.1 I2.1 I3.1 I3.1 I3.1", "I2.1 I3.1"}},
        {"(2(I1),3(I2))", {I4, I4, I4, I4, I4, I4, I4}, {"I1.1 I1.1 I2.1 I2.1 I2.1", "I2.1 I2.1"}},
        {"(2(I1,2X),'e')", {I4, I4}, {"I1.1 X2 I1.1 X2 'e'"}},
        {"(I2,'abc',:,'def')", {I4}, {"I2.1 'abc'"}},
        {"(I2,'abc',:,'def')", {I4, I4}, {"I2.1 'abc' : 'def'", "I2.1 'abc'"}},
        {"(-2P,F8.3,SP,T5,TL2,TR3,2/,BZ,$)", {R4}, {"-2P F8.3 SP T5 TL2 TR3 /2 BZ $"}},
        {"9983(a)", {fio::item_char, fio::item_char}, {"A0", "A0"}},
        {std::string("44(2I2)\0(I9)", 12), {I4, I4, I4}, {"I2.1 I2.1", "I2.1"}},
        {"(I200.150,F300.200,E1000.500E40)", {I4, R4, R4}, {"I200.150 F300.200 E1000.500E40"}},
    };
    for (const auto& c : cases) {
        const Outcome out = write(c.text, c.items);
        EXPECT_EQ(out.status, 0) << c.text;
        EXPECT_EQ(out.records, c.expected) << c.text;
        test_support::reset_transfer_state();
    }
}

TEST_F(FormatInterpret, DefaultWidthsFollowTheItemType) {
    const struct {
        const char* text;
        int32_t type;
        const char* expected;
    } cases[] = {
        {"(I)", fio::item_int2, "I7.1"},      {"(I)", fio::item_logical1, "I7.1"},
        {"(Z)", I4, "Z12.1"},                 {"(F)", fio::item_real8, "F24.15"},
        {"(F)", R4, "F15.6"},                 {"(E)", fio::item_real_ext, "E28.17E3"},
        {"(G)", fio::item_complex16, "G24.15E3"}, {"(ES)", fio::item_complex8, "ES15.6E2"},
        {"(L)", fio::item_logical4, "L2"},    {"(A)", fio::item_char, "A0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(write(c.text, {c.type}).records, Records{c.expected}) << c.text << " " << c.type;
        test_support::reset_transfer_state();
    }
}

TEST_F(FormatInterpret, ErrorsWhileInterpreting) {
    const std::string deep20 = "(" + std::string(20, '(') + "I1" + std::string(20, ')') + ")";
    const std::string deep21 = "(" + std::string(21, '(') + "I1" + std::string(21, ')') + ")";
    EXPECT_EQ(write(deep20, {I4}).records, Records{"I1.1"});
    test_support::reset_transfer_state();
    const struct {
        std::string text;
        std::vector<int32_t> items;
        int32_t error;
        size_t records_written;
    } cases[] = {
        {deep21, {I4}, fio::err_group_overflow, 0},
        {"I3)", {I4}, fio::err_missing_paren, 0},
        // Reversion that would never reach a data descriptor.
        {"(1X)", {I4}, fio::err_format, 0},
        {"('abc')", {I4}, fio::err_format, 0},
        {"()", {I4}, fio::err_format, 0},
        {"(I1,(1X))", {I4, I4}, fio::err_format, 0},
        {"((I1),1X,(2X))", {I4, I4}, fio::err_format, 0},
    };
    for (const auto& c : cases) {
        const Outcome out = write(c.text, c.items);
        EXPECT_EQ(out.status, fio::status_error) << c.text;
        EXPECT_EQ(out.iostat, c.error) << c.text;
        EXPECT_EQ(out.records.size(), c.records_written) << c.text;
        test_support::reset_transfer_state();
        iostat = 0;
    }
}

TEST_F(FormatInterpret, ReadRevertsToTheNextRecord) {
    std::memset(file, ' ', sizeof file);
    for (int i = 0; i < 3; ++i) file[i][0] = static_cast<char>('a' + i);
    start(fio::kind_read, "(I3)");
    ASSERT_EQ(fio::begin_format(s), 0);
    s.internal_unit.block_number = 3;
    ASSERT_EQ(fio::next_input_record(s), 0);
    std::string seen;
    EditCode code = fio::edit_end;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(fio::next_edit_descriptor(I4, s, code), 0);
        EXPECT_EQ(code, fio::edit_i);
        seen += s.record.data[0];
    }
    EXPECT_EQ(seen, "abc");
    EXPECT_NE(fio::next_edit_descriptor(I4, s, code), 0);  // the fourth record does not exist
    EXPECT_EQ(iostat, -1);

    test_support::reset_transfer_state();
    start(fio::kind_read, "(1X)");
    ASSERT_EQ(fio::begin_format(s), 0);
    ASSERT_EQ(fio::next_edit_descriptor(I4, s, code), 0);
    EXPECT_EQ(code, fio::edit_x);
    EXPECT_EQ(fio::next_edit_descriptor(I4, s, code), fio::status_error);  // no data ever follows
    EXPECT_EQ(iostat, fio::err_format);
}

TEST_F(FormatInterpret, PendingControlLooksAheadWithoutMoving) {
    const struct {
        const char* text;
        int items;
        bool pending;
        const char* then;  // the descriptor fetched next, proving the look-ahead moved nothing
    } cases[] = {
        {"(I3)", 1, false, nullptr},        {"(I3,1X)", 1, true, "X1"},
        {"(I3,'a')", 1, true, "'a'"},       {"(I3,:,'a')", 1, true, ":"},
        {"(I3,Q)", 1, false, "Q"},          {"(I3,I4)", 1, false, "I4.1"},
        {"(2I3)", 1, false, "I3.1"},        {"(2(I3),1X)", 1, false, "I3.1"},
        {"(2(I3),1X)", 2, true, "X1"},      {"(2(I3,(1X)))", 1, true, "X1"},
        {"(I3,2())", 1, false, nullptr},    {"(I3,SP)", 1, true, "SP"},
        {"(I3,/)", 1, true, "/1"},          {"(I3,$)", 1, true, "$"},
        {"(I3,T5)", 1, true, "T5"},         {"(I3,BN)", 1, true, "BN"},
        {"(I3,P)", 1, true, "1P"},
    };
    for (const auto& c : cases) {
        start(fio::kind_write, c.text);
        ASSERT_EQ(fio::begin_format(s), 0) << c.text;
        EditCode code = fio::edit_end;
        for (int i = 0; i < c.items; ++i) ASSERT_EQ(fio::next_edit_descriptor(I4, s, code), 0);
        EXPECT_EQ(fio::pending_control(s), c.pending) << c.text;
        if (c.then != nullptr) {
            ASSERT_EQ(fio::next_edit_descriptor(I4, s, code), 0);
            EXPECT_EQ(token(code, s), c.then) << c.text;
        }
        test_support::reset_transfer_state();
    }
}

TEST_F(FormatInterpret, PrecompiledRecordsMatchTheCompiledText) {
    using R = Rec;
    const Bytes a = records({R{fio::rec_a, 0, 0, 0, 1}, R{fio::rec_end, 0, 0, 0, -1}});
    const Bytes f = records({R{fio::rec_f, 0, 3, 10, 10}, R{fio::rec_end, 0, 0, 0, -1}});
    const Bytes group = records({R{fio::rec_tr, 0, 0, 1, 1}, R{fio::rec_group_begin, 0, 0, 0, 2},
                                 R{fio::rec_i, 0, 1, 3, 1}, R{fio::rec_group_end, 0, 0, 0, 0},
                                 R{fio::rec_end, 0, 0, 0, -3}});
    const std::vector<int32_t> chars = {fio::item_char, fio::item_char};
    const std::vector<int32_t> reals(12, R4);
    const std::vector<int32_t> ints(5, I4);
    EXPECT_EQ(write("", chars, &a).records, write("(a)", chars).records);
    EXPECT_EQ(write("", reals, &f).records, write("(10f10.3)", reals).records);
    EXPECT_EQ(write("", reals, &f).records,
              (Records{"F10.3 F10.3 F10.3 F10.3 F10.3 F10.3 F10.3 F10.3 F10.3 F10.3", "F10.3 F10.3"}));
    EXPECT_EQ(write("", ints, &group).records, write("(TR1,2(I3))", ints).records);
    EXPECT_EQ(s.compiled_format, nullptr);  // the records were never compiled
}

TEST_F(FormatInterpret, PrecompiledOperands) {
    using R = Rec;
    const std::string text(25, 's');
    const struct {
        Bytes recs;
        std::vector<int32_t> items;
        Records expected;
        int32_t error;
    } cases[] = {
        // A string of 25 characters takes two padded records; its repeat applies.
        {records({R{fio::rec_string, 0, 0, 25, 2}, R{fio::rec_i, 0, 1, 3, 1}, R{fio::rec_end, 0, 0, 0, -1}}, text),
         {I4}, {"'" + text + "' '" + text + "' I3.1"}, 0},
        // Zero widths take the compiled defaults; e of 0 is 2; L0 stays 0.
        {records({R{fio::rec_i, 0, 1, 0, 1}, R{fio::rec_e, 0, 0, 0, 1}, R{fio::rec_e, 4, 3, 10, 1},
                  R{fio::rec_g, 0, 3, 10, 1}, R{fio::rec_l, 0, 0, 0, 1}, R{fio::rec_end, 0, 0, 0, -5}}),
         {I4, fio::item_real8, R4, R4, fio::item_logical4}, {"I12.1 E24.15E3 E10.3E4 G10.3E2 L0"}, 0},
        {records({R{fio::rec_p, 0, 0, 0, -2}, R{fio::rec_slash, 0, 0, 3, 0}, R{fio::rec_t, 0, 0, 7, 0},
                  R{fio::rec_s, 0, 0, 0, 0}, R{fio::rec_a, 0, 0, 5, 1}, R{fio::rec_end, 0, 0, 0, -5}}),
         {fio::item_char}, {"-2P /3 T7 SS A5"}, 0},
        // Code 12 consumes an item but has no descriptor: it reaches the editors as code 0.
        {records({R{fio::rec_none, 0, 0, 0, 2}, R{fio::rec_i, 0, 1, 3, 1}, R{fio::rec_end, 0, 0, 0, -2}}),
         {I4, I4, I4}, {"end end I3.1"}, 0},
        {records({R{31, 0, 0, 0, 1}, R{fio::rec_end, 0, 0, 0, -1}}), {I4}, {}, fio::err_format},
        {records({R{fio::rec_tr, 0, 0, 1, 1}, R{fio::rec_end, 0, 0, 0, -1}}), {I4}, {}, fio::err_format},
        {records({R{fio::rec_i, 0, 1, 3, 1}, R{fio::rec_end, 0, 0, 0, -2}}), {I4, I4}, {}, fio::err_format},
    };
    for (const auto& c : cases) {
        const Outcome out = write("", c.items, &c.recs);
        EXPECT_EQ(out.iostat, c.error) << c.expected.size();
        EXPECT_EQ(out.records, c.expected);
        test_support::reset_transfer_state();
        iostat = 0;
    }
}

}  // namespace
