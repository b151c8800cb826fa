// Recurring WRITE records: a record taken from the cache has the bytes the item steps make.
#include "libf/fio/record_cache.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "libf/fio/format.h"
#include "libf/fio/io_calls.h"
#include "libf/fio/open_close.h"
#include "libf/fio/units.h"
#include "tests/support/test_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A FORMAT statement's compiled form: the 20-byte header, one real data record
// (code, exponent digits, d, w, repeat) and the end record.
Bytes one_descriptor(int32_t code, int32_t e, int32_t d, int32_t w, int32_t repeat) {
    Bytes out(20, 0);
    const uint32_t data[5] = {static_cast<uint32_t>(code | e << 10), static_cast<uint32_t>(d),
                              static_cast<uint32_t>(w), 0, static_cast<uint32_t>(repeat)};
    const uint32_t end[5] = {fio::rec_end, 0, 0, 0, static_cast<uint32_t>(-1)};
    for (const uint32_t* words : {data, end})
        for (int i = 0; i < 5; ++i)
            for (int b = 0; b < 4; ++b) out.push_back(static_cast<uint8_t>(words[i] >> (8 * b)));
    return out;
}

// One WRITE of the values into an internal file of 80 characters; returns the record.
std::string write_record(fio::Format format, const std::vector<float>& v) {
    char text[80];
    const fio::Control control{.unit = fio::internal_file(text, sizeof text), .format = format};
    std::vector<fio::Item> items;
    for (const float& x : v) items.push_back(fio::item(x));
    const int32_t status = fio::write(control).run(fio::ItemList(items));
    EXPECT_EQ(status, 0);
    return std::string(text, sizeof text);
}

// Values where the conversion has most to get right, and plenty of ordinary ones.
std::vector<float> values() {
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> v = {0.0f, -0.0f, 0.0005f, -0.0005f, 0.0015f, 0.0025f, 0.1235f, 0.9995f,
                            -0.9995f, 1.0f, 9999.999f, 99999.99f, 999999.9f, 1.0e10f, -1.0e10f,
                            std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(),
                            std::numeric_limits<float>::min(), std::numeric_limits<float>::denorm_min(),
                            inf, -inf, std::numeric_limits<float>::quiet_NaN()};
    for (int k = 1; k < 2000; k += 2) v.push_back(static_cast<float>(k) / 2000.0f);  // ties at 3 digits
    std::mt19937 random(17);
    for (int i = 0; i < 3000; ++i) {
        const uint32_t bits = static_cast<uint32_t>(random());
        v.push_back(std::bit_cast<float>(bits));
        v.push_back(static_cast<float>(random() % 2000001) / 1.0e6f);  // scores between 0 and 2
    }
    return v;
}

TEST(RecordCache, KeptRecordsEqualTheItemSteps) {
    struct Case {
        const char* text;  // the same format as a text: never cached
        int32_t code, e, d, w, repeat;
        int32_t items;
    };
    const Case cases[] = {
        {"(10F10.3)", fio::rec_f, 0, 3, 10, 10, 3},  {"(10F10.3)", fio::rec_f, 0, 3, 10, 10, 2},
        {"(3F7.0)", fio::rec_f, 0, 0, 7, 3, 3},      {"(2E12.4)", fio::rec_e, 0, 4, 12, 2, 2},
        {"(3ES11.3E3)", fio::rec_es, 3, 3, 11, 3, 1}, {"(3EN12.3)", fio::rec_en, 0, 3, 12, 3, 3},
        {"(3G10.3)", fio::rec_g, 0, 3, 10, 3, 3},     {"(3D10.2)", fio::rec_d, 0, 2, 10, 3, 2},
    };
    const std::vector<float> v = values();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        test_support::reset_transfer_state();
        const Bytes records = one_descriptor(c.code, c.e, c.d, c.w, c.repeat);
        const fio::Format statement = fio::Format::statement("1", records.data());
        for (std::size_t i = 0; i + c.items <= v.size(); i += c.items) {
            const std::vector<float> tuple(v.begin() + i, v.begin() + i + c.items);
            const std::string general = write_record(c.text, tuple);
            ASSERT_EQ(write_record(statement, tuple), general) << "first, value " << tuple[0];
            ASSERT_EQ(write_record(statement, tuple), general) << "kept, value " << tuple[0];
        }
    }
    test_support::reset_transfer_state();
}

// Whole WRITEs to files: the precompiled format's kept records go straight to the file's buffer,
// the same format as a text takes the item steps; files, record counts and console polls agree,
// whatever block size puts the buffer's end in the middle of a record.
TEST(RecordCache, KeptRecordsWrittenToFilesEqualTheItemSteps) {
    const Bytes records = one_descriptor(fio::rec_f, 0, 3, 10, 10);
    const fio::Format statement = fio::Format::statement("44", records.data());
    std::vector<float> v = values();
    v.resize(3000);
    for (int32_t block : {8192, 100, 33, 0}) {
        SCOPED_TRACE(block);
        test_support::reset_transfer_state();
        test_support::TempDir dir;
        test_support::ConsoleCapture console;
        fio::open_connection({.unit = 10, .file = "kept.txt", .blocksize = block});
        fio::open_connection({.unit = 11, .file = "general.txt", .blocksize = block});
        int32_t writes = 0;
        for (int pass = 0; pass < 2; ++pass) {
            for (std::size_t i = 0; i + 3 <= v.size(); i += 3) {
                const int32_t count = 1 + static_cast<int32_t>(i / 3 % 3);
                const std::vector<fio::Item> items = {fio::item(v[i]), fio::item(v[i + 1]), fio::item(v[i + 2])};
                const fio::ItemList list(std::span(items.data(), static_cast<std::size_t>(count)));
                const int polls = console.polls();
                ASSERT_EQ(fio::write_formatted(10, statement, list), 0);
                ASSERT_EQ(console.polls(), polls + 1);
                ASSERT_EQ(fio::write_formatted(11, "(10F10.3)", list), 0);
                ++writes;
            }
        }
        fio::ReadPosition kept, general;
        ASSERT_TRUE(fio::last_read_position(10, kept));
        ASSERT_TRUE(fio::last_read_position(11, general));
        EXPECT_EQ(kept.record_number, writes);
        EXPECT_EQ(general.record_number, writes);
        fio::close_connection({.unit = 10});
        fio::close_connection({.unit = 11});
        EXPECT_EQ(test_support::read_file("kept.txt"), test_support::read_file("general.txt"));
    }
    test_support::reset_transfer_state();
}

// A kept record meets the same errors as the item steps on a unit it cannot go to as it is.
TEST(RecordCache, KeptRecordsFailAsTheItemStepsDo) {
    struct Case {
        const char* name;
        fio::OpenArgs open;
        const char* message;
    };
    const Case cases[] = {
        {"record longer than RECL", {.unit = 12, .file = "short.txt", .recl = 25},
         "Attempt to write a record longer than specified record length"},
        {"read only", {.unit = 12, .file = "in.txt", .action = "READ"}, "File not open for write"},
        {"direct access", {.unit = 12, .file = "direct.txt", .access = "DIRECT", .recl = 40},
         "No record specified for direct access"},
    };
    const Bytes records = one_descriptor(fio::rec_f, 0, 3, 10, 10);
    const float value[3] = {0.25f, 0.5f, 0.125f};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const fio::Format format : {fio::Format::statement("44", records.data()), fio::Format("(10F10.3)")}) {
            const auto write_twice = [&] {
                test_support::TempDir dir;
                test_support::write_file("in.txt", "");
                fio::open_connection({.unit = 10, .file = "kept.txt"});
                const std::vector<fio::Item> items = {fio::item(value[0]), fio::item(value[1]), fio::item(value[2])};
                fio::write_formatted(10, format, fio::ItemList(items));  // now kept
                fio::open_connection(c.open);
                fio::write_formatted(12, format, fio::ItemList(items));
            };
            EXPECT_EXIT(write_twice(), ::testing::ExitedWithCode(255), c.message);
        }
    }
}

}  // namespace
