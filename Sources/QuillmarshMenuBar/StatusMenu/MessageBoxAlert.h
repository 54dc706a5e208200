#pragma once

#include "StatusMenu/AlertRequest.h"

namespace quillmarsh {

// Asks with an application-modal QMessageBox: the confirming button first and default, then
// the cancelling one; the app's window comes to the front first.
struct MessageBoxAlert {
    static AlertRequest::Answer run(const AlertRequest& request);
};

} // namespace quillmarsh
