// quillmarsh-vz: the VM tool the agent starts for each piece of VM work. It answers only with
// JSON lines on standard output and its exit status.

#include "Capabilities.h"
#include "Clone.h"
#include "ErrorLineCode.h"
#include "MainLoop.h"
#include "ResponsibleFor.h"
#include "RunCommand.h"
#include "Sensors.h"
#include "ToolOutput.h"
#include "VM/VMOptions.h"

#include <optional>
#include <string>
#include <vector>

using namespace quillmarsh;

int main(int argc, char** argv) {
    MainLoop::ignoreWriteSignals();
    lookUpResponsibleFor();
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (args.empty() || args.front() == "capabilities") {
        Capabilities::command();
        return flushedOutputStatus();
    }
    const std::string& command = args.front();
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "sensors") {
        Sensors::command();
        return flushedOutputStatus();
    }
    if (command == "clone") {
        Clone::command(rest);
        return flushedOutputStatus();
    }
    if (command == "macos-install") macosInstallCommand(rest);
    if (command == "run") {
        std::optional<VMOptions> options;
        try {
            options = VMOptions::parse(rest);
        } catch (const VMOptions::ParseError& error) {
            fail(ErrorLineCode::badArguments, error.description);
        }
        runCommand(*options);
    }
    fail(ErrorLineCode::badArguments, "unknown command " + command, std::string(ErrorLineCode::usage));
}
