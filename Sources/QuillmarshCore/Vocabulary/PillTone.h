#pragma once

namespace quillmarsh {

// The colour tone of a machine's status pill; the Machines pane maps each to a colour.
enum class PillTone { accent, good, warning, quiet };

} // namespace quillmarsh
