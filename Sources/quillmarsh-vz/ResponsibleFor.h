#pragma once

#include <sys/types.h>

namespace quillmarsh {

// The system's optional "which process is responsible for this one" function, looked up by name
// at start-up; null where the system does not export it (always on Linux).
using ResponsibleForFunction = pid_t (*)(pid_t);
extern ResponsibleForFunction responsibleFor;

// Looks the function up among the loaded images' symbols and stores it (or null). main calls it
// once, before any command runs.
void lookUpResponsibleFor();

} // namespace quillmarsh
