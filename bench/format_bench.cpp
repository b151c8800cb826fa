// Cost of compiling the analysis's score-line format, which every WRITE of a pair compiles anew.
#include <benchmark/benchmark.h>

#include <cstring>

#include "libf/fio/format.h"

namespace {

void compile_score_format(benchmark::State& bench) {
    static const char text[] = "(10f10.3)";
    fio::TransferState& state = fio::transfer_state();
    for (auto _ : bench) {
        int32_t rc = fio::compile_format(text, static_cast<int32_t>(std::strlen(text)), state);
        benchmark::DoNotOptimize(rc);
        benchmark::DoNotOptimize(state.format_code);
        fio::free_format(state);
    }
}
BENCHMARK(compile_score_format);

}  // namespace

BENCHMARK_MAIN();
