// Decoding the two answers the app reads on every refresh, from the body text to the record:
// GET /status (10 machines, an image build and a billing notice) and GET /jobs (10 running,
// 50 recent jobs), both compact as an encoder writes them. The jobs answer is also measured in
// its two halves, the strict JSON parse and the record decode, to show where the time goes.
#include "Foundation/JsonText.h"
#include "Records/AgentStatus.h"
#include "Records/JobsSnapshot.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>

using namespace quillmarsh;

namespace {

std::string statusBody() {
    nlohmann::json machines = nlohmann::json::array();
    const char* routings[] = {"primary", "backup", "off"};
    for (int i = 0; i < 10; ++i) {
        machines.push_back({{"id", "mch_" + std::to_string(100000 + i)},
                            {"name", "Studio Mac " + std::to_string(i + 1)},
                            {"status", i % 4 == 3 ? "offline" : "online"},
                            {"routing", routings[i % 3]},
                            {"running_jobs", i % 3},
                            {"capacity", 2},
                            {"labels", {"macos", "arm64", "xcode-16", "m2-pro"}},
                            {"standby", i % 2 ? nlohmann::json::array({"mch_100000"}) : nlohmann::json::array()}});
    }
    const nlohmann::json status = {
        {"state", "online"},
        {"runningJobs", 2},
        {"capacity", 2},
        {"savedThisMonthCents", 48213},
        {"imageId", "macos-15.2-xcode-16.2-20261201"},
        {"failoverActive", false},
        {"standby", {"mch_100003"}},
        {"machines", machines},
        {"version", "1.14.2"},
        {"minAgentVersion", "1.12.0"},
        {"waitingJobs", 4},
        {"waiting", "memory"},
        {"waitingReason", "Memory is tight; waiting for a job to finish"},
        {"pausedUntil", nullptr},
        {"routing", "primary"},
        {"trust", "trusted"},
        {"laptop", false},
        {"stayAwake", "plugged_in"},
        {"notReady", nlohmann::json::array()},
        {"imageBuild",
         {{"state", "running"},
          {"step", "Installing Xcode 16.2"},
          {"step_number", 4},
          {"steps", 9},
          {"title", "macOS 15.2 with Xcode 16.2"},
          {"percent", 47},
          {"total_seconds_left", 1380},
          {"image_id", "macos-15.2-xcode-16.2-20261210"},
          {"error", nullptr}}},
        {"awaitingPoolConsent", false},
        {"billingNotice",
         {{"status", "past_due"},
          {"until", "2026-12-20T00:00:00Z"},
          {"url", "https://dashboard.example.test/billing"},
          {"repository", "acme/ios-app"}}},
        {"lastHeartbeat", "2026-12-10T09:59:58.250Z"},
        {"idleAfterSeconds", 300},
        {"needsUpdateSince", nullptr},
        {"updateError", nullptr},
        {"limit", nullptr},
    };
    return status.dump();
}

nlohmann::json jobCommon(int i) {
    return {{"job_id", std::to_string(31880421000LL + i)},
            {"run_id", 12880421000LL + i / 3},
            {"repository", i % 2 ? "acme/ios-app" : "acme/backend"},
            {"workflow", i % 2 ? "iOS CI" : "Integration tests"},
            {"name", "build (macos-15, " + std::to_string(i % 4) + ")"},
            {"label", i % 5 ? "quillmarsh-macos-15" : "quillmarsh-linux"},
            {"ref", "refs/heads/feature/branch-" + std::to_string(i)},
            {"vm", "vm-" + std::to_string(i % 2)},
            {"run_url", "https://github.com/acme/ios-app/actions/runs/" + std::to_string(12880421000LL + i / 3)}};
}

std::string jobsBody() {
    nlohmann::json running = nlohmann::json::array();
    for (int i = 0; i < 10; ++i) {
        nlohmann::json job = jobCommon(i);
        job["started"] = i != 0;
        job["elapsed_seconds"] = 60 * i + 7;
        job["expected_seconds"] = i % 3 ? 900 : 0;
        running.push_back(job);
    }
    nlohmann::json recent = nlohmann::json::array();
    const char* conclusions[] = {"success", "failure", "cancelled", "success", "host_stopped"};
    for (int i = 0; i < 50; ++i) {
        nlohmann::json job = jobCommon(100 + i);
        job["conclusion"] = conclusions[i % 5];
        const int minute = i % 60;
        char started[32];
        char finished[40];
        std::snprintf(started, sizeof started, "2026-12-%02dT%02d:%02d:05Z", 1 + i % 9, 8 + i % 10, minute);
        std::snprintf(finished, sizeof finished, "2026-12-%02dT%02d:%02d:47.%03dZ", 1 + i % 9, 9 + i % 10, minute,
                      (i * 37) % 1000);
        job["started_at"] = started;
        job["finished_at"] = finished;
        job["duration_seconds"] = 3600 + 42;
        recent.push_back(job);
    }
    return nlohmann::json{{"running", running}, {"recent", recent}}.dump();
}

void decodeStatus(benchmark::State& state) {
    const std::string body = statusBody();
    for (auto _ : state) benchmark::DoNotOptimize(AgentStatus::parse(body));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(body.size()));
}

void decodeJobs(benchmark::State& state) {
    const std::string body = jobsBody();
    for (auto _ : state) benchmark::DoNotOptimize(JobsSnapshot::parse(body));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(body.size()));
}

void parseJobsText(benchmark::State& state) {
    const std::string body = jobsBody();
    for (auto _ : state) benchmark::DoNotOptimize(JsonText::parse(body));
}

void decodeJobsFromParsed(benchmark::State& state) {
    const nlohmann::json json = JsonText::parse(jobsBody());
    for (auto _ : state) benchmark::DoNotOptimize(JobsSnapshot::decode(json));
}

} // namespace

BENCHMARK(decodeStatus)->Unit(benchmark::kMicrosecond);
BENCHMARK(decodeJobs)->Unit(benchmark::kMicrosecond);
BENCHMARK(parseJobsText)->Unit(benchmark::kMicrosecond);
BENCHMARK(decodeJobsFromParsed)->Unit(benchmark::kMicrosecond);
