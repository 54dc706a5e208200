#include "ResponsibleFor.h"

#include <dlfcn.h>

namespace quillmarsh {

ResponsibleForFunction responsibleFor = nullptr;

void lookUpResponsibleFor() {
    void* symbol = dlsym(RTLD_DEFAULT, "responsibility_get_pid_responsible_for_pid");
    responsibleFor = reinterpret_cast<ResponsibleForFunction>(symbol);
}

} // namespace quillmarsh
