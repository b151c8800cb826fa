// Output editing on its hot path: one field per iteration into an internal file's record.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "libf/fio/format.h"
#include "libf/fio/output_edit.h"
#include "libf/fio/transfer_state.h"
#include "libf/fio/units.h"

namespace {

using namespace fio;

// A WRITE into a one-element internal file; format "" means list-directed.
struct Statement {
    explicit Statement(const char* format) : text(format), file(1 << 16, ' ') {
        TransferState& s = transfer_state();
        ensure_record_buffers(s);
        UnitBlock& u = s.internal_unit;
        u.attributes = attr::readable | attr::writable | attr::internal | attr::pad_yes;
        u.buffer = file.data();
        u.buffer_size = u.record_length = static_cast<int32_t>(file.size());
        u.block_number = 1;
        s.current_unit = &u;
        s.options = opt::status_codes | opt::internal_file;
        s.present = pres::formatted | (text.empty() ? uint32_t{pres::list_directed} : 0u);
        s.statement_flags = kind_write;
        restart();
    }
    ~Statement() { free_format(transfer_state()); }

    // Empties the record; a format starts again from its beginning.
    void restart() {
        TransferState& s = transfer_state();
        s.record.limit = s.record.position = 0;
        if (!text.empty()) {
            s.format_start = text.c_str();
            s.format_length = static_cast<int32_t>(text.size());
            begin_format(s);
        }
    }

    int32_t item(int32_t type, void* address, int32_t length) {
        TransferState& s = transfer_state();
        s.item_type = type;
        s.item_address = address;
        s.item_length = length;
        s.item_count = 1;
        return write_item(s);
    }

    std::string text;
    std::vector<char> file;
};

template <typename T>
void run(benchmark::State& bench, const char* format, int32_t type, T first, T step) {
    Statement statement(format);
    T value = first;
    int32_t fields = 0;
    for (auto _ : bench) {
        if (++fields == 2000) {  // stay within the repeat count and one element
            statement.restart();
            fields = 0;
        }
        benchmark::DoNotOptimize(statement.item(type, &value, sizeof value));
        value += step;
    }
    bench.SetItemsProcessed(bench.iterations());
}

void F103Field(benchmark::State& bench) { run(bench, "(32767F10.3)", item_real4, 0.123f, 0.731f); }
void ListDirectedReal4(benchmark::State& bench) { run(bench, "", item_real4, 0.123f, 0.731f); }
void ListDirectedInteger(benchmark::State& bench) { run(bench, "", item_int4, int32_t{-5000}, int32_t{37}); }

BENCHMARK(F103Field);
BENCHMARK(ListDirectedReal4);
BENCHMARK(ListDirectedInteger);

}  // namespace

BENCHMARK_MAIN();
