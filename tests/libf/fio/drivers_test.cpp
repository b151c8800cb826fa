// Data-transfer drivers: control lists from compiled code and from the typed front, statements
// over several calls, array walks, complex items, IOLENGTH, console round trips and PAUSE.
#include "libf/fio/drivers.h"

#include <gtest/gtest.h>

#include <complex>
#include <cstring>
#include <string>
#include <vector>

#include "libf/array_descriptor.h"
#include "libf/fio/errors.h"
#include "libf/fio/format.h"
#include "libf/fio/io_calls.h"
#include "libf/fio/open_close.h"
#include "libf/fio/pause.h"
#include "tests/support/test_support.h"

namespace {

using namespace fio;
using libf::ArrayDescriptor;
using libf::make_type_word;
using W = std::intptr_t;

template <class T>
W addr(T* p) {
    return reinterpret_cast<W>(p);
}

constexpr uint32_t int2_type = make_type_word(libf::class_integer, 2);
constexpr uint32_t int4_type = make_type_word(libf::class_integer, 4);
constexpr uint32_t int8_type = make_type_word(libf::class_integer, 8);
constexpr uint32_t real8_type = make_type_word(libf::class_real, 8);
constexpr uint32_t complex8_type = make_type_word(libf::class_complex, 8);
constexpr uint32_t char_type = make_type_word(libf::class_character, 1);

ArrayDescriptor descriptor(const void* base, uint32_t type_word, int32_t element_length,
                           std::vector<libf::DimensionTriplet> dims) {
    ArrayDescriptor d{};
    d.base = reinterpret_cast<W>(base);
    d.type_word = type_word;
    d.element_length = element_length;
    d.flags = libf::make_flags(static_cast<int>(dims.size()), 0);
    for (std::size_t i = 0; i < dims.size(); ++i) d.dimensions[i] = dims[i];
    return d;
}

std::string trimmed(const char* data, std::size_t n) {
    std::string s(data, n);
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

class Drivers : public ::testing::Test {
protected:
    void SetUp() override { test_support::reset_transfer_state(); }
    void TearDown() override { test_support::reset_transfer_state(); }
};

// The statement record a begin call's control words give, as the test compares it.
struct Decoded {
    uint32_t present, options;
    std::intptr_t unit;  // internal file's address, -1 for '*', else the unit number
    int32_t internal_length, internal_records;
    const void* format;
    int32_t format_length;
    const char* advance;
    int32_t advance_length;
    int32_t* size;
};

Decoded decode(const W* words, int32_t count, uint32_t options, ControlReading reading) {
    TransferState& s = transfer_state();
    s.present = 0xFFFFFFFF;  // nothing of a previous statement may survive
    EXPECT_EQ(setup_transfer(s, words, count, options, reading), 0);
    EXPECT_EQ(s.iostat_width, 4);
    EXPECT_EQ(s.err_given, (s.present & pres::err) ? -1 : 0);
    EXPECT_EQ(s.end_given, (s.present & pres::end) ? -1 : 0);
    const bool pointer = (s.options & (opt::internal_file | opt::unit_by_value)) == 0;
    return {s.present, s.options, pointer ? *reinterpret_cast<const int32_t*>(s.unit_spec) : s.unit_spec,
            s.internal_length, s.internal_records, s.format_start, s.format_length, s.advance_text.text,
            s.advance_text.length, s.size_var};
}

// The typed front's begin call, decoded while its statement lives.
ControlReading g_reading;
Decoded g_decoded;
int32_t decoding_driver(const W* args) {
    g_decoded = decode(args + 3, static_cast<int32_t>(args[1] - 1), static_cast<uint32_t>(args[2]), g_reading);
    return 0;
}

// Control lists as compiled code passes them (the shifts of options 0x1 and 0x2, short lists)
// and as the typed front builds them reach the statement record alike.
TEST_F(Drivers, ControlListsReachTheStatementRecord) {
    int32_t unit = 7, iostat = 0, rec = 3, size = 0;
    const int32_t bits = end_condition::err | end_condition::end | end_condition::eor;
    char internal[10] = {};
    const char text[] = "(I3)xyz";  // 4 characters when a length is given
    char advance[] = "NO ";
    char records[40] = {};
    const W in = addr(internal), fmt = addr(text), adv = addr(advance);
    struct Case {
        const char* name;
        std::vector<W> words;  // empty: the typed front builds them from `control`
        uint32_t options;
        Control control;
        ControlReading reading;
        Decoded expected;  // the typed front's texts are its own: format and advance null
    };
    const uint32_t formatted = pres::unit | pres::formatted;
    const std::vector<Case> cases = {
        {"every specifier, text to its NUL",
         {0, addr(&bits), 0, addr(&unit), addr(&iostat), addr(&rec), 0, fmt, adv, 2, addr(&size)}, 0, {},
         ControlReading::formatted,
         {formatted | pres::err | pres::end | pres::iostat | pres::rec | pres::size,
          opt::status_codes | opt::eor | opt::advance, 7, 0, 0, text, 7, advance, 2, &size}},
        {"internal scalar shifts by one", {0, 0, 0, in, 10, addr(&iostat), 0, 0, fmt, adv, 3, addr(&size)},
         control_option::internal_scalar, {}, ControlReading::formatted,
         {formatted | pres::iostat | pres::size, opt::status_codes | opt::internal_file | opt::advance, in, 10,
          1, text, 7, advance, 3, &size}},
        {"format text shifts by one", {0, 0, 0, 0, 0, 0, 0, fmt, 4, adv, 2, addr(&size)}, control_option::format_text,
         {}, ControlReading::formatted,
         {formatted | pres::size, opt::status_codes | opt::unit_by_value | opt::advance, -1, 0, 0, text, 4, advance, 2,
          &size}},
        {"both shift by two", {0, 0, 0, in, 10, 0, 0, 0, fmt, 4, adv, 1, addr(&size)},
         control_option::internal_scalar | control_option::format_text, {}, ControlReading::formatted,
         {formatted | pres::size, opt::status_codes | opt::internal_file | opt::advance, in, 10, 1, text, 4, advance, 1,
          &size}},
        {"short list, list-directed", {0, 0, 0, addr(&unit)}, 0, {}, ControlReading::formatted,
         {formatted | pres::list_directed, opt::status_codes, 7, 0, 0, nullptr, 0, nullptr, 0, nullptr}},
        {"short list, unformatted", {0, 0, 0, addr(&unit)}, 0, {}, ControlReading::unformatted,
         {pres::unit, opt::status_codes, 7, 0, 0, nullptr, 0, nullptr, 0, nullptr}},
        {"short list, namelist", {0, 0, 0, addr(&unit)}, 0, {}, ControlReading::namelist,
         {pres::unit | pres::namelist, opt::status_codes, 7, 0, 0, nullptr, 0, nullptr, 0, nullptr}},
        {"precompiled wins over text", {0, 0, 0, addr(&unit), 0, 0, addr(records), fmt}, 0, {},
         ControlReading::formatted,
         {formatted | pres::precompiled_format, opt::status_codes, 7, 0, 0, records, 0, nullptr, 0, nullptr}},
        {"typed: star, list-directed", {}, 0, {.iostat = &iostat}, ControlReading::formatted,
         {formatted | pres::iostat | pres::list_directed, opt::status_codes | opt::unit_by_value, -1, 0, 0, nullptr, 0,
          nullptr, 0, nullptr}},
        {"typed: every specifier", {}, 0,
         {.unit = 7, .format = Format(std::string_view(text, 4)), .iostat = &iostat, .rec = &rec, .advance = "NO",
          .size = &size, .err = true, .end = true, .eor = true},
         ControlReading::formatted,
         {formatted | pres::err | pres::end | pres::iostat | pres::rec | pres::size,
          opt::status_codes | opt::eor | opt::advance, 7, 0, 0, text, 4, nullptr, 2, &size}},
        {"typed: FORMAT statement", {}, 0, {.unit = 7, .format = Format::statement(text, records)},
         ControlReading::formatted,
         {formatted | pres::precompiled_format, opt::status_codes, 7, 0, 0, records, 0, nullptr, 0, nullptr}},
        {"typed: internal scalar", {}, 0, {.unit = internal_file(internal, 8), .format = "(A)"},
         ControlReading::formatted,
         {formatted, opt::status_codes | opt::internal_file, in, 8, 1, nullptr, 3, nullptr, 0, nullptr}},
        {"typed: unformatted", {}, 0, {.unit = 7}, ControlReading::unformatted,
         {pres::unit, opt::status_codes, 7, 0, 0, nullptr, 0, nullptr, 0, nullptr}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Decoded got{};
        Decoded want = c.expected;
        if (!c.words.empty()) {
            got = decode(c.words.data(), static_cast<int32_t>(c.words.size()), c.options, c.reading);
        } else {
            g_reading = c.reading;
            Statement(decoding_driver, c.control).run();
            got = g_decoded;
            if (want.format == nullptr && want.format_length != 0) want.format = c.control.format.text.data();
            if (want.advance_length != 0) want.advance = c.control.advance.data();
        }
        EXPECT_EQ(got.present, want.present);
        EXPECT_EQ(got.options, want.options);
        EXPECT_EQ(got.unit, want.unit);
        EXPECT_EQ(got.internal_length, want.internal_length);
        EXPECT_EQ(got.internal_records, want.internal_records);
        EXPECT_EQ(got.format, want.format);
        EXPECT_EQ(got.format_length, want.format_length);
        EXPECT_EQ(got.advance, want.advance);
        EXPECT_EQ(got.advance_length, want.advance_length);
        EXPECT_EQ(got.size, want.size);
    }
}

// The analysis's READ shape: a begin call with the items, then an end call with none.
TEST_F(Drivers, ReadSplitOverCallsReadsOneRecord) {
    test_support::ConsoleCapture console;
    console.type("1 2 3\n4 5\n");
    int32_t a = 0, b = 0, c = 0;
    const std::vector<W> begin = {driver_flag::begin, 5, 0, 0, 0, 0, 0,
                                  1, item_kind::scalar, int4_type, addr(&a)};
    const std::vector<W> more = {0, 1, item_kind::scalar, int4_type, addr(&b)};
    const std::vector<W> end = {driver_flag::end, 0};
    EXPECT_EQ(formatted_read(begin.data()), 0);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(formatted_read(more.data()), 0);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(formatted_read(end.data()), 0);
    // After the end a stray item call transfers nothing.
    const std::vector<W> stray = {0, 1, item_kind::scalar, int4_type, addr(&c)};
    EXPECT_EQ(formatted_read(stray.data()), 0);
    EXPECT_EQ(c, 0);
    // The rest of "1 2 3" was discarded: the next READ starts on the next record.
    EXPECT_EQ(read_list(STAR).begin({item(c)}).end(), 0);
    EXPECT_EQ(c, 4);
}

// Elements reach the item step in array element order: sections, strides, merged and dropped
// dimensions, zero extents, byte strides of short and CHARACTER elements.
TEST_F(Drivers, ArrayWalkVisitsElementsInOrder) {
    int32_t a[12];
    for (int i = 0; i < 12; ++i) a[i] = i + 1;  // a(i,j) = i + 3(j-1), bounds (1:3, 1:4)
    int32_t b[16];
    for (int i = 0; i < 16; ++i) b[i] = i + 1;  // 4 x 4
    int16_t h[6] = {1, 2, 3, 4, 5, 6};
    int64_t q[4] = {1, 2, 3, 4};
    int32_t two = 2, three = 3, six = 6, four = 4;
    struct Case {
        const char* name;
        ArrayDescriptor d;
        std::vector<const int32_t*> section;
        const char* format;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"whole", descriptor(a, int4_type, 32, {{1, 3, 1}, {1, 4, 3}}), {}, "(12I3)",
         "  1  2  3  4  5  6  7  8  9 10 11 12"},
        {"a(2,:)", descriptor(a, int4_type, 32, {{1, 3, 1}, {1, 4, 3}}), {&two, nullptr}, "(12I3)",
         "  2  5  8 11"},
        {"a(:,3)", descriptor(a, int4_type, 32, {{1, 3, 1}, {1, 4, 3}}), {nullptr, &three}, "(12I3)",
         "  7  8  9"},
        {"lower bound 5: a(6,:)", descriptor(a, int4_type, 32, {{5, 3, 1}, {5, 4, 3}}), {&six, nullptr},
         "(12I3)", "  2  5  8 11"},
        {"a(2,4) both fixed", descriptor(a, int4_type, 32, {{1, 3, 1}, {1, 4, 3}}), {&two, &four},
         "(12I3)", " 11"},
        {"b(2:3,2:3)", descriptor(b + 5, int4_type, 32, {{1, 2, 1}, {1, 2, 4}}), {}, "(12I3)",
         "  6  7 10 11"},
        {"stride 3", descriptor(a, int4_type, 32, {{1, 4, 3}}), {}, "(12I3)", "  1  4  7 10"},
        {"negative stride", descriptor(a + 2, int4_type, 32, {{1, 3, -1}}), {}, "(12I3)", "  3  2  1"},
        {"extent 1 dropped", descriptor(a, int4_type, 32, {{1, 1, 1}, {1, 4, 3}}), {}, "(12I3)",
         "  1  4  7 10"},
        {"zero extent", descriptor(a, int4_type, 32, {{1, 0, 1}, {1, 4, 3}}), {}, "(12I3)", ""},
        {"2-byte strides count bytes", descriptor(h, int2_type, 16, {{1, 3, 4}}), {}, "(12I3)",
         "  1  3  5"},
        {"8-byte strides count 4-byte units", descriptor(q, int8_type, 64, {{1, 2, 4}}), {}, "(12I3)",
         "  1  3"},
        {"CHARACTER strides count bytes", descriptor("abXXcdXXefXX", char_type, 2, {{1, 3, 4}}), {},
         "(12A2)", "abcdef"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char out[60];
        std::memset(out, '*', sizeof out);
        Item it = c.section.empty() ? item(c.d) : item(c.d, {});
        for (std::size_t i = 0; i < c.section.size(); ++i)
            it.section[i] = reinterpret_cast<W>(c.section[i]);
        ASSERT_EQ(write_formatted(internal_file(out, sizeof out), c.format, {it}), 0);
        EXPECT_EQ(trimmed(out, sizeof out), c.expected);
    }
}

TEST_F(Drivers, SectionSubscriptOutsideItsDimensionIsABoundaryError) {
    int32_t a[12] = {};
    const ArrayDescriptor d = descriptor(a, int4_type, 32, {{1, 3, 1}, {1, 4, 3}});
    int32_t iostat = 0;
    char out[40];
    for (int32_t subscript : {0, 4}) {
        EXPECT_EXIT(
            {
                write(Control{.unit = internal_file(out, sizeof out), .format = "(12I3)", .iostat = &iostat})
                    .run({item(d, {&subscript, nullptr})});
            },
            ::testing::ExitedWithCode(255), "Array boundary error");
    }
}

// Internal files and formats held in non-contiguous CHARACTER arrays are gathered, and an
// internal WRITE puts its records back into the elements.
TEST_F(Drivers, GatheredCharacterArrays) {
    char storage[] = "12xx34xx56xx";
    const ArrayDescriptor file = descriptor(storage, char_type, 2, {{1, 3, 4}});
    int32_t v[3] = {};
    ASSERT_EQ(read_formatted(internal_file(file), "(I2)").run({item(v[0]), item(v[1]), item(v[2])}), 0);
    EXPECT_EQ(std::vector<int32_t>(v, v + 3), (std::vector<int32_t>{12, 34, 56}));

    ASSERT_EQ(write_formatted(internal_file(file), "(A1)", {item("p"), item("q")}), 0);
    EXPECT_EQ(std::string(storage), "p xxq xx56xx");

    char format_storage[] = "(I3,....I3) ....";
    const ArrayDescriptor format = descriptor(format_storage, char_type, 4, {{1, 2, 8}});
    char out[10];
    ASSERT_EQ(write_formatted(internal_file(out, sizeof out), Format(format), {item(1), item(2)}), 0);
    EXPECT_EQ(std::string(out, sizeof out), "  1  2    ");
}

// A FORMAT statement's precompiled records are used in preference to its text.
TEST_F(Drivers, PrecompiledRecordsWinOverTheText) {
    // 20-byte header, then I3 (code 9, width 3, repeat 1) and the end record (code 29).
    std::vector<uint8_t> records(60, 0);
    records[20] = rec_i;
    records[28] = 3;
    records[36] = 1;
    records[40] = rec_end;
    char out[10];
    ASSERT_EQ(write_formatted(internal_file(out, sizeof out), Format("(I5)", records.data()), {item(7)}), 0);
    EXPECT_EQ(trimmed(out, sizeof out), "  7");
    ASSERT_EQ(write_formatted(internal_file(out, sizeof out), "(I5)", {item(7)}), 0);
    EXPECT_EQ(trimmed(out, sizeof out), "    7");
}

// A COMPLEX value goes through the item step as two reals of half its size.
TEST_F(Drivers, ComplexItemsAreTwoReals) {
    char out[40];
    const std::complex<float> z(1.5f, -2.0f);
    ASSERT_EQ(write_formatted(internal_file(out, sizeof out), "(2F6.2)", {item(z)}), 0);
    EXPECT_EQ(trimmed(out, sizeof out), "  1.50 -2.00");

    const std::complex<double> pair[2] = {{1, 2}, {3, 4}};
    const ArrayDescriptor d = descriptor(pair, make_type_word(libf::class_complex, 16), 128, {{1, 2, 4}});
    ASSERT_EQ(write_formatted(internal_file(out, sizeof out), "(4F5.1)", {item(d)}), 0);
    EXPECT_EQ(trimmed(out, sizeof out), "  1.0  2.0  3.0  4.0");

    char in[] = "  1.5 -2.5";
    std::complex<float> read_back;
    ASSERT_EQ(read_formatted(internal_file(in, 10), "(2F5.1)").run({item(read_back)}), 0);
    EXPECT_EQ(read_back, std::complex<float>(1.5f, -2.5f));
}

TEST_F(Drivers, IolengthCountsBytesOfEveryElement) {
    const int32_t i4 = 0;
    char ten[10];
    const int16_t i2 = 0;
    const bool flag = false;
    const int64_t i8 = 0;
    const std::complex<float> c3[3];
    const double m[12] = {};
    const int32_t two = 2;
    const ArrayDescriptor complexes = descriptor(c3, complex8_type, 64, {{1, 3, 2}});
    const ArrayDescriptor matrix = descriptor(m, real8_type, 64, {{1, 3, 2}, {1, 4, 6}});
    const ArrayDescriptor empty = descriptor(m, real8_type, 64, {{1, 0, 2}});
    struct Case {
        const char* name;
        std::vector<Item> items;
        int32_t bytes;
    };
    const std::vector<Case> cases = {
        {"integer and CHARACTER*10", {item(i4), item(ten)}, 14},
        {"short integer, logical, long integer", {item(i2), item(flag), item(i8)}, 11},
        {"complex array", {item(complexes)}, 24},
        {"row of a REAL*8 matrix", {item(matrix, {&two, nullptr})}, 32},
        {"zero extent", {item(empty)}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(inquire_iolength(std::span<const Item>(c.items)), c.bytes);
    }
    // Spread over calls: only the call with the end flag returns the total.
    Statement s(iolength, Control{});
    EXPECT_EQ(s.begin({item(i4)}).status(), 0);
    EXPECT_EQ(s.items({item(m[0])}).status(), 0);
    EXPECT_EQ(s.end({item("abc")}), 15);
}

// The console through installed callbacks: a WRITE in one call, a READ, PAUSE.
TEST_F(Drivers, ConsoleRoundTrips) {
    test_support::ConsoleCapture console;
    char greeting[] = "hello";
    const std::vector<W> one_call = {driver_flag::whole, 5, 0, 0, 0, 0, 0,
                                     1, item_kind::scalar, char_type, addr(greeting), 5};
    EXPECT_EQ(formatted_write(one_call.data()), 0);
    EXPECT_EQ(console.text(selector_output), " hello\r\n");

    console.clear();
    console.type("ignored line\n'my file.txt'\n");
    pause("WAIT", 4);
    EXPECT_EQ(console.text(selector_output), " WAIT\r\n");
    char name[12];
    EXPECT_EQ(read_list(STAR).begin({item(name)}).end(), 0);
    EXPECT_EQ(std::string(name, sizeof name), "my file.txt ");
}

// A matrix row read list-directed into a section may span records; the rest of its last
// record is skipped.
TEST_F(Drivers, MatrixRowSpreadOverTwoRecords) {
    test_support::TempDir dir;
    test_support::write_file("m.txt", "1 2\n3\n4 5 6 7\n");
    ASSERT_EQ(open_connection({.unit = 1, .file = "m.txt"}), 0);
    float m[6] = {};
    const ArrayDescriptor d = descriptor(m, make_type_word(libf::class_real, 4), 32, {{1, 2, 1}, {1, 3, 2}});
    for (int32_t row : {1, 2}) EXPECT_EQ(read_list(1).begin({item(d, {&row, nullptr})}).end(), 0);
    EXPECT_EQ(std::vector<float>(m, m + 6), (std::vector<float>{1, 4, 2, 5, 3, 6}));
}

// Without a format the unformatted drivers hand their items to the unformatted step.
TEST_F(Drivers, UnformattedDriversRouteItemsToTheUnformattedStep) {
    test_support::TempDir dir;
    const int32_t written[2] = {42, -7};
    ASSERT_EQ(open_connection({.unit = 12, .file = "u.bin", .form = "UNFORMATTED"}), 0);
    ASSERT_EQ(write_unformatted(12).run({item(written[0]), item(written[1])}), 0);
    ASSERT_EQ(close_connection({.unit = 12}), 0);
    ASSERT_EQ(open_connection({.unit = 12, .file = "u.bin", .form = "UNFORMATTED"}), 0);
    int32_t back[2] = {};
    ASSERT_EQ(read_unformatted(12).begin({item(back[0]), item(back[1])}).end(), 0);
    EXPECT_EQ(back[0], 42);
    EXPECT_EQ(back[1], -7);
}

// Errors taken by IOSTAT=: the status is kept and returned by the later calls, which do nothing.
TEST_F(Drivers, ErrorsEndTheStatementAndKeepItsStatus) {
    test_support::TempDir dir;
    int32_t x = 0;
    struct Case {
        const char* name;
        DriverEntry driver;
        Control control;
        Item first;
    };
    int32_t iostat = 0;
    char in[4] = "  5";
    const std::vector<Case> cases = {
        {"structure item", formatted_write, {.unit = STAR, .iostat = &iostat}, structure_item(&x)},
        {"unknown type class", formatted_write, {.unit = STAR, .iostat = &iostat}, scalar_item(7 | 4 << 15, &x)},
        {"namelist group", namelist_read, {.unit = internal_file(in, 3), .iostat = &iostat}, item(x)},
    };
    test_support::ConsoleCapture console;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        iostat = 0;
        x = 0;
        Statement s(c.driver, c.control);
        EXPECT_EQ(s.begin({c.first}).status(), 1);
        EXPECT_EQ(iostat, err_internal);
        EXPECT_EQ(s.items({item(x)}).status(), 1);
        EXPECT_EQ(s.end(), 1);
    }
    // END= from a record advance inside the items: 2 now and from the end call.
    int32_t v[2] = {};
    Statement r = read(Control{.unit = internal_file(in, 3), .format = "(I3/I3)", .end = true});
    EXPECT_EQ(r.begin({item(v[0]), item(v[1])}).status(), 2);
    EXPECT_EQ(v[0], 5);
    EXPECT_EQ(r.end(), 2);
}

}  // namespace
