#include "GuestPriority.h"

#include "Foundation/FileIO.h"
#include "Foundation/IntegerText.h"
#include "ResponsibleFor.h"
#include "SysfsText.h"

#include <cerrno>
#include <climits>
#include <sstream>

#include <sys/resource.h>
#include <unistd.h>

namespace quillmarsh {

namespace {

std::int32_t parentFromProc(std::int32_t pid) {
    const std::string stat = SysfsText::read("/proc/" + std::to_string(pid) + "/stat").value_or(std::string());
    // "pid (comm) state ppid …"; the name may hold spaces and parentheses, so read after the last ")".
    auto close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream rest(stat.substr(close + 1));
    std::string state, ppid;
    rest >> state >> ppid;
    const auto parent = IntegerText::parse(ppid);
    return parent && *parent >= INT32_MIN && *parent <= INT32_MAX ? std::int32_t(*parent) : -1;
}

std::vector<std::int32_t> numericEntries(const std::string& dir) {
    std::vector<std::int32_t> out;
    for (const std::string& name : FileIO::folderEntries(dir).value_or(std::vector<std::string>{})) {
        const auto value = IntegerText::parseDigits(name);
        if (value && *value > 0 && *value <= INT32_MAX) out.push_back(std::int32_t(*value));
    }
    return out;
}

} // namespace

bool responsibleLookupAvailable() { return responsibleFor != nullptr || ::access("/proc/self/stat", R_OK) == 0; }

std::int32_t responsibleProcess(std::int32_t pid) {
    if (responsibleFor) return responsibleFor(pid);
    return parentFromProc(pid);
}

std::vector<VMPriority::Process> listProcesses(const std::string& wanted) {
    std::vector<VMPriority::Process> out;
    if (!responsibleLookupAvailable()) return out;
    for (std::int32_t pid : numericEntries("/proc")) {
        char path[4096] = {};
        ssize_t n = ::readlink(("/proc/" + std::to_string(pid) + "/exe").c_str(), path, sizeof path - 1);
        if (n < 1) continue; // gone, or not ours to inspect
        std::string text(path, std::size_t(n));
        auto slash = text.rfind('/');
        std::string name = slash == std::string::npos ? text : text.substr(slash + 1);
        if (name != wanted) continue;
        out.push_back(VMPriority::Process{pid, name, responsibleProcess(pid)});
    }
    return out;
}

void lowerGuestPriority(EventLoop& loop, std::int64_t nice, int attempts, std::function<void(const std::string&)> diagnose,
                        const std::string& name) {
    if (nice < 1) return;
    if (!responsibleLookupAvailable()) {
        diagnose("priority: responsible-process lookup unavailable; left at normal priority\n");
        return;
    }
    auto pids = VMPriority::ours(listProcesses(name), std::int32_t(::getpid()), name);
    if (pids.empty()) {
        if (attempts > 1) {
            loop.after(500, [&loop, nice, attempts, diagnose, name] { lowerGuestPriority(loop, nice, attempts - 1, diagnose, name); });
        } else {
            diagnose("priority: no Virtualization service found for this guest; left at normal priority\n");
        }
        return;
    }
    for (std::int32_t pid : pids) {
        // Linux keeps a nice value per thread: every thread of the service gets it.
        int failure = 0;
        auto threads = numericEntries("/proc/" + std::to_string(pid) + "/task");
        if (threads.empty()) threads.push_back(pid);
        for (std::int32_t tid : threads)
            if (::setpriority(PRIO_PROCESS, id_t(tid), int(nice)) != 0 && errno != ESRCH && !failure) failure = errno;
        if (failure)
            diagnose("priority: service " + std::to_string(pid) + " not changed: errno " + std::to_string(failure) + "\n");
        else
            diagnose("priority: service " + std::to_string(pid) + " set to nice " + std::to_string(nice) + "\n");
    }
}

} // namespace quillmarsh
