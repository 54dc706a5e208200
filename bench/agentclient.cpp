// One GET /status against an in-process fake agent: connect, request, read to close, parse and
// decode the sample status record.
#include "Agent/AgentClient.h"
#include "Records/AgentStatus.h"
#include "Support/FakeAgent.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

namespace {

std::string sampleStatus() {
    std::ifstream in(std::string(QUILLMARSH_FIXTURES) + "/agent/status.json", std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void BM_GetStatus(benchmark::State& state) {
    quillmarsh::test::FakeAgent agent;
    agent.route("GET", "/status", quillmarsh::test::FakeAgent::Reply::json(sampleStatus()));
    quillmarsh::AgentClient client(agent.socketPath());
    for (auto _ : state) {
        auto status = client.get<quillmarsh::AgentStatus>("/status");
        benchmark::DoNotOptimize(status);
    }
}
BENCHMARK(BM_GetStatus)->Unit(benchmark::kMicrosecond);

} // namespace
