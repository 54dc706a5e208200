// One GET /status against an in-process fake agent: connect, request, read to close, parse and
// decode the sample status record.
#include "Agent/AgentClient.h"
#include "Records/AgentStatus.h"
#include "Support/FakeAgent.h"
#include "Support/Fixtures.h"

#include <benchmark/benchmark.h>

namespace {

void BM_GetStatus(benchmark::State& state) {
    quillmarsh::test::FakeAgent agent;
    agent.route("GET", "/status", quillmarsh::test::FakeAgent::Reply::json(quillmarsh::test::sampleAnswer("status.json")));
    quillmarsh::AgentClient client(agent.socketPath());
    for (auto _ : state) {
        auto status = client.get<quillmarsh::AgentStatus>("/status");
        benchmark::DoNotOptimize(status);
    }
}
BENCHMARK(BM_GetStatus)->Unit(benchmark::kMicrosecond);

} // namespace
