#pragma once

#include "Model/AppModel.h"
#include "Model/MemoryDefaults.h"
#include "Support/FakeAgent.h"
#include "Support/Fixtures.h"
#include "Support/TestApplication.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace quillmarsh::test {

// A clock the test moves by hand, with timers that fire only when the test says so.
class ManualClock final : public Clock {
public:
    explicit ManualClock(Date start = Date::fromSecondsSince1970(1'796'900'000)) : now_(start) {}

    Date now() const override { return now_; }
    Calendar calendar() const override { return Calendar::utc(); }
    std::unique_ptr<Timer> repeat(double seconds, std::function<void()> fire) override {
        auto timer = std::make_unique<Handle>(this);
        timers_[timer.get()] = Entry{seconds, std::move(fire)};
        return timer;
    }

    void advance(double seconds) { now_ = now_.adding(seconds); }
    // Fires, once, every live timer of that interval.
    void fire(double seconds) {
        std::vector<std::function<void()>> due;
        for (auto& [handle, entry] : timers_) {
            if (entry.seconds == seconds) due.push_back(entry.fire);
        }
        for (auto& f : due) f();
    }
    std::size_t timers(double seconds) const {
        return static_cast<std::size_t>(std::count_if(timers_.begin(), timers_.end(),
                                                      [&](const auto& t) { return t.second.seconds == seconds; }));
    }

private:
    struct Handle final : Timer {
        explicit Handle(ManualClock* owner) : clock(owner) {}
        ~Handle() override { clock->timers_.erase(this); }
        ManualClock* clock;
    };
    struct Entry {
        double seconds = 0;
        std::function<void()> fire;
    };
    Date now_;
    std::map<const Timer*, Entry> timers_;
};

class RecordingOpener final : public UrlOpener {
public:
    // As the desktop receives it: fully encoded.
    void open(const QUrl& url) override { opened.push_back(url.toString(QUrl::FullyEncoded).toStdString()); }
    std::vector<std::string> opened;
};

class RecordingUpdater final : public UpdaterPort {
public:
    void start() override { ++starts; }
    void setOnChange(OnChange callback) override { onChange = std::move(callback); }
    void install() override { ++installs; }
    std::string base() const override { return "https://downloads.example"; }
    std::optional<std::string> currentVersion() const override { return std::nullopt; }
    void check() override { ++checks; }

    int starts = 0;
    int installs = 0;
    int checks = 0;
    OnChange onChange;
};

// The sample agent's answers on every route the model reads, but those named in except
// ("GET /policy").
inline void serveSamples(FakeAgent& agent, const std::vector<std::string>& except = {}) {
    using Reply = FakeAgent::Reply;
    const std::vector<std::tuple<std::string, std::string, Reply>> routes = {
        {"GET", "/status", Reply::json(sampleAnswer("status.json"))},
        {"GET", "/jobs", Reply::json(sampleAnswer("jobs.json"))},
        {"GET", "/host", Reply::json(sampleAnswer("host.json"))},
        {"GET", "/account", Reply::json(sampleAnswer("account.json"))},
        {"GET", "/policy", Reply::json(sampleAnswer("policy.json"))},
        {"GET", "/caches", Reply::json(sampleAnswer("caches.json"))},
        {"GET", "/machines", Reply::json(sampleAnswer("machines.json"))},
        {"GET", "/image/checks", Reply::json(sampleAnswer("image.checks.json"))},
        {"GET", "/jobs?limit=50", Reply::json(sampleAnswer("jobs.json"))},
        {"GET", "/update", Reply::json(sampleAnswer("get.update.json"), 405)},
        {"POST", "/policy", Reply::json(sampleAnswer("policy.json"))},
        {"POST", "/mode", Reply::json(sampleAnswer("post.mode.json"))},
        {"POST", "/jobs/stop", Reply::json(sampleAnswer("post.jobs.stop.json"))},
        {"POST", "/caches/clear", Reply::json(sampleAnswer("post.caches.clear.json"))},
        {"POST", "/update", Reply::json(sampleAnswer("post.update.json"))},
    };
    for (const auto& [method, target, reply] : routes) {
        if (std::find(except.begin(), except.end(), method + " " + target) != except.end()) continue;
        agent.route(method, target, reply);
    }
}

// A model wired to a fake agent, a manual clock, recording opener and updater and memory defaults.
struct Harness {
    Harness() : Harness(std::make_unique<FakeAgent>()) {}
    explicit Harness(std::unique_ptr<FakeAgent> fake, AppModel::Environment environment = {})
        : agent(std::move(fake)) {
        ensureApp();
        clock = std::make_shared<ManualClock>();
        opener = std::make_shared<RecordingOpener>();
        environment.clock = clock;
        environment.opener = opener;
        environment.bundleIdentifier = "org.quillmarsh.test";
        if (environment.identityCache.empty()) environment.identityCache = agent->home() + "/identity";
        if (!environment.fetch) environment.fetch = [](const std::string&) -> std::string { throw std::runtime_error("offline"); };
        model = std::make_unique<AppModel>(AgentClient(agent->socketPath(), std::chrono::milliseconds(5000)), updater,
                                           defaults, std::move(environment));
    }

    // Targets ("GET /status") of everything the agent was asked, in order.
    std::vector<std::string> targets() const {
        std::vector<std::string> out;
        for (const auto& r : agent->requests()) out.push_back(r.method + " " + r.target);
        return out;
    }
    std::size_t count(const std::string& target) const {
        auto all = targets();
        return static_cast<std::size_t>(std::count(all.begin(), all.end(), target));
    }

    // One refresh, waited for with everything it set off.
    void refreshAndWait() {
        const auto before = model->tick();
        model->refresh();
        ASSERT_TRUE(spinUntil([&] { return model->tick() > before; }));
        drain();
    }
    // Waits until the agent queue is idle and every result, and whatever those results queued
    // in turn, has been applied.
    void drain() {
        for (;;) {
            bool done = false;
            model->queue().post([] { return 0; }, [&](int) { done = true; });
            const auto marker = model->queue().posted();
            ASSERT_TRUE(spinUntil([&] { return done; }));
            QCoreApplication::processEvents();
            if (model->queue().posted() == marker) return;
        }
    }

    std::unique_ptr<FakeAgent> agent;
    std::shared_ptr<ManualClock> clock;
    std::shared_ptr<RecordingOpener> opener;
    RecordingUpdater updater;
    MemoryDefaults defaults;
    std::unique_ptr<AppModel> model;
};

} // namespace quillmarsh::test
