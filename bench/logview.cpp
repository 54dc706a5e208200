// The job detail's log view on the offscreen platform, shown at the size the job detail gives it,
// while it follows the end:
// - append: a 4 KB chunk of runner output added to a log of 4000 lines and more (the text grows,
//   so every update only extends what is shown);
// - cut log: a log kept to its last 4000 lines whose front moves on by one chunk at each refresh,
//   so the view replaces its whole text (what every refresh costs once the cut has begun);
// each without and with painting the viewport afterwards.
#include "ModelBench.h"
#include "Settings/Rows/LogTextView.h"

#include <benchmark/benchmark.h>

#include <array>
#include <string>
#include <vector>

namespace {

using namespace quillmarsh;

// Runner output of the usual shape: 80 to 100 bytes a line, timestamps, commands, compiler and
// test lines.
std::string runnerLine(int n) {
    static const std::array<const char*, 6> bodies = {
        "[command]/usr/bin/git -c protocol.version=2 fetch --depth=1 origin",
        "##[group]Run swift build --configuration release --product agent",
        "Compiling QuillmarshCore LogBuffer.cpp (Sources/QuillmarshCore)",
        "Test Case 'AgentClientTests.testDecodesJobs' passed (0.004 s).",
        "npm WARN deprecated inflight@1.0.6: This module is not supported",
        "Downloading https://objects.example.com/actions/cache/part-0001",
    };
    std::string line = "2024-05-01T10:" + std::to_string(10 + n / 60 % 50) + ":" + std::to_string(10 + n % 50) +
                       ".1234567Z ";
    line += bodies[static_cast<std::size_t>(n) % bodies.size()];
    line += " #" + std::to_string(n);
    return line + "\n";
}

std::vector<std::string> runnerLines(int count) {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) lines.push_back(runnerLine(i));
    return lines;
}

std::string joined(const std::vector<std::string>& lines, std::size_t from, std::size_t to) {
    std::string text;
    for (std::size_t i = from; i < to; ++i) text += lines[i];
    return text;
}

constexpr std::size_t logLines = 4000;
// A 4 KB chunk: 41 lines of about 100 bytes.
constexpr std::size_t chunkLines = 41;
// Appends before the text goes back to 4000 lines, outside the timing: the log stays at 4000 to
// 4000 + 40 chunks of lines.
constexpr std::size_t chunksPerRound = 40;

struct Shown {
    Shown() {
        // The job detail's log box: 240 px high less its padding, in a column of about 600 px.
        view.resize(612, 228);
        view.show();
        QCoreApplication::processEvents();
    }
    bool app = (bench::offscreenApp(), true);  // before the widget
    LogTextView view;
};

void append(benchmark::State& state, bool paint) {
    Shown shown;
    const std::vector<std::string> lines = runnerLines(logLines + chunkLines * chunksPerRound);
    std::vector<std::string> texts;
    for (std::size_t chunk = 0; chunk <= chunksPerRound; ++chunk)
        texts.push_back(joined(lines, 0, logLines + chunk * chunkLines));
    state.counters["chunk bytes"] = static_cast<double>(texts[1].size() - texts[0].size());
    shown.view.setLog(texts[0]);
    std::size_t next = 1;
    for (auto _ : state) {
        shown.view.setLog(texts[next]);
        if (paint) shown.view.viewport()->repaint();
        if (++next == texts.size()) {
            state.PauseTiming();
            shown.view.setLog(texts[0]);
            next = 1;
            state.ResumeTiming();
        }
    }
    if (!shown.view.atEnd()) state.SkipWithError("the view did not follow the end");
}

void cutLog(benchmark::State& state, bool paint) {
    Shown shown;
    constexpr std::size_t windows = 16;
    const std::vector<std::string> lines = runnerLines(logLines + chunkLines * windows);
    std::vector<std::string> texts;
    for (std::size_t w = 0; w < windows; ++w)
        texts.push_back(joined(lines, w * chunkLines, w * chunkLines + logLines));
    std::size_t next = 0;
    for (auto _ : state) {
        shown.view.setLog(texts[next]);
        if (paint) shown.view.viewport()->repaint();
        next = (next + 1) % windows;
    }
    if (!shown.view.atEnd()) state.SkipWithError("the view did not follow the end");
}

void BM_AppendChunk(benchmark::State& state) { append(state, false); }
void BM_AppendChunkAndPaint(benchmark::State& state) { append(state, true); }
void BM_CutLogReplace(benchmark::State& state) { cutLog(state, false); }
void BM_CutLogReplaceAndPaint(benchmark::State& state) { cutLog(state, true); }

BENCHMARK(BM_AppendChunk)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AppendChunkAndPaint)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CutLogReplace)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CutLogReplaceAndPaint)->Unit(benchmark::kMillisecond);

} // namespace
