// The status menu's render against the real model and an in-process fake agent:
// - in place: nothing structural changed, the two job rows and the information row take new
//   values (each iteration first refreshes the model, untimed, from an answer whose elapsed
//   times differ from the last one);
// - rebuild: the whole menu built anew with 10 running jobs.
#include "Model/AppModel.h"
#include "Model/MemoryDefaults.h"
#include "ModelBench.h"
#include "StatusMenu/StatusItemController.h"
#include "Support/FakeAgent.h"
#include "Support/Fixtures.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>

#include <atomic>
#include <string>

namespace {

using namespace quillmarsh;
using bench::NoUpdater;
using bench::refreshOnce;
using Reply = test::FakeAgent::Reply;

QApplication& app() { return bench::offscreenApp(); }

std::string jobs(int count, int elapsed) {
    std::string running;
    for (int i = 0; i < count; ++i) {
        if (i > 0) running += ",";
        running += R"({"job_id":"job-)" + std::to_string(i) +
                   R"(","run_id":7,"repository":"acme/site","workflow":"CI","name":"build and test )" +
                   std::to_string(i) + R"(","label":"macos-15","started":true,"elapsed_seconds":)" +
                   std::to_string(elapsed + i) + R"(,"expected_seconds":900})";
    }
    return R"({"running":[)" + running + R"(],"recent":[]})";
}

struct Setup {
    explicit Setup(int jobCount) {
        app();
        for (const char* route : {"status", "host", "account", "policy"})
            agent.route("GET", std::string("/") + route, Reply::json(test::sampleAnswer(std::string(route) + ".json")));
        agent.route("GET", "/update", Reply::json(test::sampleAnswer("get.update.json"), 405));
        // Each read of the jobs gets other elapsed times, so every render has new values to show.
        agent.setHandler([this, jobCount](const test::FakeAgent::Request& request) -> std::optional<Reply> {
            if (request.target != "/jobs") return std::nullopt;
            return Reply::json(jobs(jobCount, 60 + static_cast<int>(reads++ % 600)));
        });
        model = std::make_unique<AppModel>(AgentClient(agent.socketPath()), updater, defaults);
        refreshOnce(*model);
        StatusItemController::Environment environment;
        environment.locale = Locale::enGB();
        controller = std::make_unique<StatusItemController>(*model, true, [] {}, [](const auto&) {},
                                                            std::move(environment));
        // Renders run only when the benchmark says so.
        QObject::disconnect(model.get(), nullptr, controller.get(), nullptr);
        controller->render();
    }

    test::FakeAgent agent;
    std::atomic<int> reads{0};
    NoUpdater updater;
    MemoryDefaults defaults;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<StatusItemController> controller;
};

void BM_RenderInPlace(benchmark::State& state) {
    Setup setup(2);
    if (!setup.model->agentAvailable()) state.SkipWithError("the fake agent did not answer");
    const QMenu* builtMenu = &setup.controller->menu();
    const auto actions = setup.controller->menu().actions();
    for (auto _ : state) {
        state.PauseTiming();
        refreshOnce(*setup.model);
        state.ResumeTiming();
        setup.controller->render();
    }
    if (setup.controller->menu().actions() != actions || &setup.controller->menu() != builtMenu)
        state.SkipWithError("the menu was rebuilt");
}
BENCHMARK(BM_RenderInPlace)->Iterations(2000)->Unit(benchmark::kMicrosecond);

void BM_RebuildTenJobs(benchmark::State& state) {
    Setup setup(10);
    if (setup.model->jobs().running.size() != 10) state.SkipWithError("the fake agent did not answer");
    for (auto _ : state) setup.controller->rebuild();
}
BENCHMARK(BM_RebuildTenJobs)->Unit(benchmark::kMicrosecond);

} // namespace
