#pragma once

namespace quillmarsh {

// The state of one row of a job's step list.
enum class StepState { succeeded, failed, running, pending, skipped, cancelled };

} // namespace quillmarsh
