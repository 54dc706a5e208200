// The settings window against the real model and an in-process fake agent with the sample
// answers, on the offscreen platform:
// - unchanged: one render of the pane column (describe the pane, apply the description) when
//   nothing changed since the last one, for About and This Mac;
// - switch: selecting another pane, which makes the new page, describes and applies it and lays
//   the column out.
#include "Model/AppModel.h"
#include "Model/MemoryDefaults.h"
#include "ModelBench.h"
#include "Settings/AppWindowController.h"
#include "Settings/Kit/PageView.h"
#include "Settings/PaneColumn.h"
#include "Settings/PaneSelection.h"
#include "Settings/SettingsWindow.h"
#include "Support/FakeAgent.h"
#include "Support/Fixtures.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLayout>

#include <memory>
#include <string>

namespace {

using namespace quillmarsh;
using bench::NoUpdater;
using bench::refreshOnce;
using Reply = test::FakeAgent::Reply;

struct Setup {
    Setup() {
        bench::offscreenApp();
        for (const char* route : {"status", "jobs", "host", "account", "policy", "caches", "machines"})
            agent.route("GET", std::string("/") + route, Reply::json(test::sampleAnswer(std::string(route) + ".json")));
        agent.route("GET", "/image/checks", Reply::json(test::sampleAnswer("image.checks.json")));
        agent.route("GET", "/update", Reply::json(test::sampleAnswer("get.update.json"), 405));
        model = std::make_unique<AppModel>(AgentClient(agent.socketPath()), updater, defaults);
        refreshOnce(*model);
        controller = std::make_unique<AppWindowController>(*model, defaults);
        // Renders run only when the benchmark says so.
        QObject::disconnect(model.get(), nullptr, &column(), nullptr);
    }

    PaneColumn& column() const { return controller->window().column(); }

    test::FakeAgent agent;
    NoUpdater updater;
    MemoryDefaults defaults;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<AppWindowController> controller;
};

void unchanged(benchmark::State& state, AppPane pane) {
    Setup setup;
    if (!setup.model->agentAvailable()) state.SkipWithError("the fake agent did not answer");
    setup.controller->select(pane);
    setup.column().render();
    const PageView* page = &setup.column().page();
    for (auto _ : state) setup.column().render();
    if (&setup.column().page() != page) state.SkipWithError("the page was replaced");
}

void BM_UnchangedAbout(benchmark::State& state) { unchanged(state, AppPane::about); }
BENCHMARK(BM_UnchangedAbout)->Unit(benchmark::kMicrosecond);

void BM_UnchangedThisMac(benchmark::State& state) { unchanged(state, AppPane::thisMac); }
BENCHMARK(BM_UnchangedThisMac)->Unit(benchmark::kMicrosecond);

void BM_SwitchPane(benchmark::State& state) {
    Setup setup;
    if (!setup.model->agentAvailable()) state.SkipWithError("the fake agent did not answer");
    PaneColumn& column = setup.column();
    column.resize(669, 640);
    bool thisMac = false;
    for (auto _ : state) {
        thisMac = !thisMac;
        setup.controller->select(thisMac ? AppPane::thisMac : AppPane::general);
        column.layout()->activate();
        column.page().adjustSize();
        state.PauseTiming();
        // The replaced pages go, and the queued re-render runs, outside the timing.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SwitchPane)->Unit(benchmark::kMicrosecond);

} // namespace
