// The status menu's render against the real model and an in-process fake agent:
// - in place: nothing structural changed, the job rows and the information row take new values
//   (each iteration first refreshes the model, untimed, from an answer whose elapsed times differ
//   from the last one); at the sample's 2 running jobs and at 100 times that;
// - one job ends: each answer drops the first job and adds one after the last, so each render
//   changes the menu's rows; at 200 (100 times the sample's), 1,000 and 10,000 rows, with the
//   menu closed and (at 200 and 1,000) open on the offscreen screen;
// - rebuild: every row built anew, at 10, 200, 1,000 and 10,000 rows.
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

// count running jobs, ids first … first + count - 1.
std::string jobs(int count, int first, int elapsed) {
    std::string running;
    running.reserve(static_cast<std::size_t>(count) * 220);
    for (int i = first; i < first + count; ++i) {
        if (i > first) running += ",";
        running += R"({"job_id":"job-)" + std::to_string(i) +
                   R"(","run_id":7,"repository":"acme/site","workflow":"CI","name":"build and test )" +
                   std::to_string(i) + R"(","label":"macos-15","started":true,"elapsed_seconds":)" +
                   std::to_string(elapsed + i % 300) + R"(,"expected_seconds":900})";
    }
    return R"({"running":[)" + running + R"(],"recent":[]})";
}

struct Setup {
    // rolling: each read of the jobs moves the list on by one job.
    Setup(int jobCount, bool rolling) {
        app();
        for (const char* route : {"status", "host", "account", "policy"})
            agent.route("GET", std::string("/") + route, Reply::json(test::sampleAnswer(std::string(route) + ".json")));
        agent.route("GET", "/update", Reply::json(test::sampleAnswer("get.update.json"), 405));
        // Each read of the jobs gets other elapsed times, so every render has new values to show.
        agent.setHandler([this, jobCount, rolling](const test::FakeAgent::Request& request) -> std::optional<Reply> {
            if (request.target != "/jobs") return std::nullopt;
            const int read = reads++;
            return Reply::json(jobs(jobCount, rolling ? read : 0, 60 + read % 600));
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

    bool answered(int jobCount) const {
        return model->agentAvailable() && model->jobs().running.size() == static_cast<std::size_t>(jobCount);
    }

    test::FakeAgent agent;
    std::atomic<int> reads{0};
    NoUpdater updater;
    MemoryDefaults defaults;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<StatusItemController> controller;
};

void BM_RenderInPlace(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    Setup setup(rows, false);
    if (!setup.answered(rows)) state.SkipWithError("the fake agent did not answer");
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
BENCHMARK(BM_RenderInPlace)->Arg(2)->Arg(200)->Iterations(500)->Unit(benchmark::kMicrosecond);

// range(0) rows; range(1) 1 to render into the open menu.
void BM_RenderOneJobEnds(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    const bool open = state.range(1) != 0;
    Setup setup(rows, true);
    if (!setup.answered(rows)) state.SkipWithError("the fake agent did not answer");
    if (open) {
        setup.controller->popUp();
        QCoreApplication::processEvents();
        if (!setup.controller->isMenuOpen()) state.SkipWithError("the menu did not open");
    }
    for (auto _ : state) {
        state.PauseTiming();
        refreshOnce(*setup.model);
        state.ResumeTiming();
        setup.controller->render();
    }
    if (open && !setup.controller->menu().isVisible()) state.SkipWithError("the menu closed");
    setup.controller->menu().hide();
}
BENCHMARK(BM_RenderOneJobEnds)
    ->ArgNames({"rows", "open"})
    ->Args({200, 0})
    ->Args({1000, 0})
    ->Args({10000, 0})
    ->Args({200, 1})
    ->Args({1000, 1})
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

void BM_Rebuild(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    Setup setup(rows, false);
    if (!setup.answered(rows)) state.SkipWithError("the fake agent did not answer");
    for (auto _ : state) setup.controller->rebuild();
}
BENCHMARK(BM_Rebuild)->ArgName("rows")->Arg(10)->Arg(200)->Arg(1000)->Arg(10000)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace
