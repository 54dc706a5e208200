#pragma once

#include "Vocabulary/JobState.h"
#include "Vocabulary/StepState.h"

#include <optional>

namespace quillmarsh {

// What the 16-px state glyph of a job or a step shows. Only running carries a payload: how far
// the work has come (0…1), when that is known.
struct StateKind {
    enum class Case { running, pending, succeeded, failed, cancelled, skipped };

    Case kind = Case::pending;
    std::optional<double> fraction;  // running only

    static StateKind running(std::optional<double> fraction = std::nullopt) { return {Case::running, fraction}; }
    static StateKind pending() { return {Case::pending, std::nullopt}; }
    static StateKind succeeded() { return {Case::succeeded, std::nullopt}; }
    static StateKind failed() { return {Case::failed, std::nullopt}; }
    static StateKind cancelled() { return {Case::cancelled, std::nullopt}; }
    static StateKind skipped() { return {Case::skipped, std::nullopt}; }

    // A starting job runs without a fraction; a stopped one shows as cancelled.
    static StateKind of(const JobState& state);
    // Each step state has the kind of its name; running has no fraction.
    static StateKind of(StepState state);

    // How far round the running arc goes, 0.08…1: the fraction, or 0.3 without one.
    double arcEnd() const;

    bool operator==(const StateKind&) const = default;
};

} // namespace quillmarsh
