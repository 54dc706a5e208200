#pragma once

#include "Records/HostInfo.h"
#include "Records/JobsSnapshot.h"
#include "Time/Calendar.h"
#include "Time/Date.h"
#include "Vocabulary/AppPane.h"
#include "Words/JobRow.h"

#include <chrono>
#include <optional>
#include <string>

namespace quillmarsh {

// The screenshot mode's steps as plain rules: which pane each step shows, how long it waits,
// when a pane's data is there, the files' names and the lines printed for them.
//
// Steps 0 to 6 are the seven panes in sidebar order, step 7 the detail of one job, step 8 the
// first-run window, step 9 the end.
struct ScreenshotPlan {
    static constexpr int jobDetailStep = 7;
    static constexpr int firstRunStep = 8;
    static constexpr int lastStep = 9;
    static constexpr double scale = 2.0;
    // Waits for the account's avatar before the first picture, while the agent answers.
    static constexpr int avatarRounds = 10;
    // Waits for a pane's data, while the agent answers.
    static constexpr int dataRounds = 16;
    static constexpr std::chrono::milliseconds roundDelay{500};
    // After a pane's data arrived late, so the page has been drawn with it.
    static constexpr std::chrono::milliseconds settleDelay{300};
    static constexpr std::chrono::milliseconds detailDelay{3000};
    static constexpr const char* jobDetailFile = "app-job-detail.png";
    // Its line is a pane's: "wrote app-first-run.png 520 x 610".
    static constexpr const char* firstRunFile = "app-first-run.png";

    // The pane a step shows: the step-th pane up to step 6, Jobs for the job detail, none for the
    // first-run window and at the end.
    static std::optional<AppPane> paneAt(int step);
    // From selecting a pane to taking its picture: 2 s for the panes that load from the agent
    // (Jobs, Machines, Caches), 0.6 s for the others.
    static std::chrono::milliseconds selectDelay(AppPane pane);

    // What the model holds of the panes that load their data.
    struct Loaded {
        bool windowJobs = false;
        bool fleetOrProblem = false;
        bool caches = false;
    };
    static bool isReady(AppPane pane, const Loaded& loaded);

    // "app-" + the title in lower case with blanks as "-" + ".png": app-this-mac.png.
    static std::string fileName(AppPane pane);
    // "wrote app-general.png 900 x 640".
    static std::string paneLine(const std::string& file, int width, int height);
    // "wrote app-job-detail.png <id>", the id with its control characters escaped: it is the
    // agent's text and must not make lines of its own.
    static std::string jobDetailLine(const std::string& jobId);

    // The job whose detail is pictured: the first running job, else the first of the recent ones
    // (filter All); none without jobs.
    static std::optional<JobRow> detailRow(const JobsSnapshot& jobs, const std::optional<HostInfo>& host, Date now,
                                           const Calendar& calendar);
};

} // namespace quillmarsh
