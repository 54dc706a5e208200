#include "Platform/AppBundle.h"

#include "Update/AppUpdate.h"

#include <filesystem>
#include <system_error>

namespace quillmarsh {

namespace fs = std::filesystem;

AppBundle AppBundle::ofExecutable(const std::string& executablePath) {
    std::error_code error;
    fs::path real = fs::canonical(executablePath, error);
    if (error)
        real = fs::path(executablePath);
    AppBundle bundle;
    fs::path folder = real.parent_path();
    bundle.path = folder.string();
    if (folder.filename() == "MacOS" && folder.parent_path().filename() == "Contents") {
        std::string candidate = folder.parent_path().parent_path().string();
        if (auto identifier = AppUpdate::bundleIdentifierAt(candidate)) {
            bundle.path = candidate;
            bundle.identifier = identifier;
            bundle.shortVersion = AppUpdate::bundleVersion(candidate);
        }
    }
    return bundle;
}

AppBundle AppBundle::main() { return ofExecutable("/proc/self/exe"); }

} // namespace quillmarsh
