#include "Support/Process.h"

#include "Support/ChildProcess.h"

#include <chrono>
#include <stdexcept>
#include <unistd.h>

namespace quillmarsh::test {

namespace {

ProcessResult run(const std::vector<std::string>& argv, std::optional<std::vector<std::string>> env) {
    if (argv.empty()) throw std::invalid_argument("runProcess needs a program");
    ChildProcess program(argv, std::move(env));
    ProcessResult result;
    // No limit of our own: the test's own time-out ends a program that never does.
    result.status = program.wait(std::chrono::hours(24)).value_or(-1);
    result.out = program.output();
    return result;
}

} // namespace

ProcessResult runProcess(const std::vector<std::string>& argv) { return run(argv, std::nullopt); }

std::vector<std::string> environmentWith(const std::map<std::string, std::optional<std::string>>& changes) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        if (changes.count(entry.substr(0, entry.find('='))) == 0) env.push_back(entry);
    }
    for (const auto& [name, value] : changes)
        if (value) env.push_back(name + "=" + *value);
    return env;
}

ProcessResult runProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    return run(argv, env);
}

} // namespace quillmarsh::test
