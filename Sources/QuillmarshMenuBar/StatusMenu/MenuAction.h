#pragma once

namespace quillmarsh {

// What choosing a row of the status menu does; the controller carries each one out.
enum class MenuAction {
    none,
    openJob,          // the job's repository page on the dashboard
    openDashboard,
    openHowItWorks,
    showSettings,
    openThisMac,      // Settings at This Mac
    openSetup,        // the dashboard's setup page
    showFirstRun,
    copyDiagnostics,
    stopRunningJobs,  // after a confirmation
    quit,             // after a confirmation while the agent runs
    installUpdate,
    choosePause,      // the entry's tag is the PauseOption's index
    resumeJobs,
};

} // namespace quillmarsh
