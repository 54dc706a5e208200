// One whole refresh of the app model against the in-process fake agent serving the sample
// answers: the socket check, GET /status, /jobs, /host, /account and /policy, their decoding
// and the assignments on the main thread. CPU time is the whole process's, so it includes the
// fake agent's side of the five exchanges.
#include "Model/AppModel.h"
#include "Model/MemoryDefaults.h"
#include "Model/SystemClock.h"
#include "ModelBench.h"
#include "Support/FakeAgent.h"
#include "Support/Fixtures.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>

namespace {

using namespace quillmarsh;
using bench::NoUpdater;
using bench::refreshOnce;

void BM_WholeRefresh(benchmark::State& state) {
    static int argc = 1;
    static char name[] = "bench-appmodel";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    test::FakeAgent agent;
    using Reply = test::FakeAgent::Reply;
    for (const char* route : {"status", "jobs", "host", "account", "policy"}) {
        agent.route("GET", std::string("/") + route, Reply::json(test::sampleAnswer(std::string(route) + ".json")));
    }
    agent.route("GET", "/update", Reply::json(test::sampleAnswer("get.update.json"), 405));
    NoUpdater updater;
    MemoryDefaults defaults;
    AppModel model(AgentClient(agent.socketPath()), updater, defaults);
    refreshOnce(model);  // the one update-route probe of this agent version happens here
    refreshOnce(model);
    if (!model.agentAvailable()) state.SkipWithError("the fake agent did not answer");

    for (auto _ : state) refreshOnce(model);
    benchmark::DoNotOptimize(model.tick());
}
BENCHMARK(BM_WholeRefresh)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

} // namespace
