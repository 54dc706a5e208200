#pragma once

#include <optional>
#include <string_view>

namespace quillmarsh {

// A job's state in the Jobs pane. Only running carries a payload: its progress fraction
// (0.02…0.97), absent when the agent gives no expected length.
class JobState {
public:
    enum class Case { running, starting, succeeded, failed, cancelled, stopped };

    static JobState running(std::optional<double> progress) { return JobState(Case::running, progress); }
    static JobState starting() { return JobState(Case::starting); }
    static JobState succeeded() { return JobState(Case::succeeded); }
    static JobState failed() { return JobState(Case::failed); }
    static JobState cancelled() { return JobState(Case::cancelled); }
    static JobState stopped() { return JobState(Case::stopped); }

    // A finished job's conclusion code: "success", "cancelled", "host_stopped", else failed.
    static JobState of(std::string_view conclusion);

    Case kind() const { return case_; }
    std::optional<double> progress() const { return progress_; }
    // "Running", "Starting", "Succeeded", "Failed", "Cancelled", "Stopped".
    std::string_view word() const;
    bool isRunning() const { return case_ == Case::running || case_ == Case::starting; }

    bool operator==(const JobState&) const = default;

private:
    explicit JobState(Case c, std::optional<double> progress = std::nullopt) : case_(c), progress_(progress) {}
    Case case_;
    std::optional<double> progress_;
};

} // namespace quillmarsh
