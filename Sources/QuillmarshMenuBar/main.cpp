// Quillmarsh: the menu-bar app. One-shot modes print to standard output and end the process;
// anything else starts the app.
#include "Agent/AgentClient.h"
#include "Agent/Probe.h"
#include "Updater/UpdateModes.h"

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

namespace {

// An option counts only when an argument equals it exactly, wherever it stands.
bool has(const std::vector<std::string>& arguments, const std::string& option) {
    return std::find(arguments.begin(), arguments.end(), option) != arguments.end();
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);

    // One-shot modes, in this order; the first that applies wins.
    if (has(arguments, "--probe")) {
        quillmarsh::AgentClient client(quillmarsh::AgentClient::defaultSocketPath());
        return quillmarsh::Probe::run(client, std::cout);
    }
    if (has(arguments, "--check-update"))
        return quillmarsh::UpdateModes::checkUpdate(quillmarsh::UpdateModes::processEnvironment(), std::cout);
    if (auto verify = quillmarsh::UpdateModes::verifyArguments(arguments))
        return quillmarsh::UpdateModes::verifyApp(verify->first, verify->second, std::cout);

    // The app itself (delegate, status item, windows) is not built yet.
    std::cout << "Quillmarsh: the app window is not built yet; only --probe works for now." << std::endl;
    return 1;
}
