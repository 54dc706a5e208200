// Merging one 4 KB chunk into a full 4000-line log: the cost should follow the chunk, not
// the lines already kept.
#include "Records/JobLog.h"
#include "Words/LogBuffer.h"

#include <benchmark/benchmark.h>

#include <string>

using namespace quillmarsh;

namespace {

// About 4 KB of runner output: 64 lines of 64 bytes, some with colour codes.
std::string chunkText() {
    std::string text;
    for (int i = 0; text.size() < 4096; ++i) {
        std::string line = i % 4 == 0 ? "\x1b[32m##[group]\x1b[0m step " : "  compiling module ";
        line += std::to_string(i);
        line.resize(63, '.');
        text += line + "\n";
    }
    return text;
}

void LogBufferApplyToFullBuffer(benchmark::State& state) {
    const std::string text = chunkText();
    const auto limit = state.range(0);
    LogBuffer buffer(limit);
    std::int64_t cursor = 0;
    // Fill the buffer past its limit first.
    for (std::int64_t i = 0; i < limit / 64 + 8; ++i, ++cursor) buffer.apply(JobLog{cursor, cursor + 1, 0, text, true, "runner"});
    for (auto _ : state) {
        benchmark::DoNotOptimize(buffer.apply(JobLog{cursor, cursor + 1, 0, text, true, "runner"}));
        ++cursor;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}

} // namespace

// The app keeps 4000 lines; the other limits show that the kept text does not add cost.
BENCHMARK(LogBufferApplyToFullBuffer)->Arg(4000)->Arg(400)->Arg(40000)->Repetitions(10)->ReportAggregatesOnly(true);
