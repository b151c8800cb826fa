// Cost of turning a 4-byte real into 8 significant digits, as list-directed output does.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>

#include "libf/fio/decimal.h"
#include "libf/fio/transfer_state.h"

namespace {

void BM_RealToDigitsFloat8(benchmark::State& state) {
    // A spread of magnitudes so the scaling and the rounding carry both vary.
    constexpr std::array<float, 8> values = {0.333f,   12345.678f, 1.0e-20f, 9.9999999f,
                                             6.02e23f, 0.0004f,    1234.5f,  -271.828f};
    char buffer[fio::digit_buffer_size];
    size_t i = 0;
    for (auto _ : state) {
        const int32_t x = fio::real_to_digits(&values[i], buffer, 8, false, fio::item_real4);
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(buffer);
        i = (i + 1) % values.size();
    }
}
BENCHMARK(BM_RealToDigitsFloat8);

}  // namespace

BENCHMARK_MAIN();
