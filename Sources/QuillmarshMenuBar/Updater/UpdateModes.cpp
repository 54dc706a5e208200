#include "Updater/UpdateModes.h"

#include "Platform/AppBundle.h"
#include "Update/AppUpdate.h"
#include "Updater/AppUpdater.h"

#include <algorithm>
#include <filesystem>

extern char** environ;

namespace quillmarsh {

std::map<std::string, std::string> UpdateModes::processEnvironment() {
    std::map<std::string, std::string> out;
    for (char** entry = environ; entry && *entry; ++entry) {
        std::string text = *entry;
        auto equals = text.find('=');
        if (equals != std::string::npos)
            out.emplace(text.substr(0, equals), text.substr(equals + 1));
    }
    return out;
}

int UpdateModes::checkUpdate(const std::map<std::string, std::string>& environment, std::ostream& out,
                             std::chrono::milliseconds deadline) {
    const std::string base = AppUpdate::downloadsBase(environment);
    const AppBundle bundle = AppBundle::main();
    const std::optional<std::string> current = bundle.runsFromBundle() ? bundle.shortVersion : std::nullopt;
    out << "downloads: " << base << " current: " << current.value_or("none (not an app bundle)") << "\n";
    HttpClient::Response response;
    try {
        HttpClient::Request request(AppUpdate::latestURL(base));
        request.deadline = deadline;
        response = HttpClient::get(request);
    } catch (const HttpError& error) {
        out << "error: " << error.what() << std::endl;
        return 0;
    }
    auto latest = AppUpdate::parseLatest(response.body);
    out << "latest: " << latest.value_or("unreadable (HTTP " + std::to_string(response.status) + ")") << "\n";
    out << "decision: " << AppUpdate::decide(current, response.body).printed() << std::endl;
    return 0;
}

std::optional<std::pair<std::string, std::string>> UpdateModes::verifyArguments(
    const std::vector<std::string>& arguments) {
    auto found = std::find(arguments.begin(), arguments.end(), "--verify-app");
    if (found == arguments.end() || arguments.end() - found < 3)
        return std::nullopt;
    return std::make_pair(*(found + 1), *(found + 2));
}

int UpdateModes::verifyApp(const std::string& path, const std::string& version, std::ostream& out) {
    const auto refuse = [&out](const std::string& reason) {
        out << "refused: " << reason << std::endl;
        return 1;
    };
    if (path.empty())
        return refuse("no bundle path was given");
    std::string absolute;
    try {
        // A relative path needs the working folder, which may have been deleted.
        absolute = std::filesystem::absolute(path).string();
    } catch (const std::filesystem::filesystem_error& error) {
        return refuse("cannot find " + path + ": " + error.code().message());
    }
    while (absolute.size() > 1 && absolute.back() == '/')
        absolute.pop_back();
    try {
        AppUpdater::verify(absolute, version);
    } catch (const std::exception& error) {
        return refuse(error.what());
    }
    out << "ok: " << absolute << " is Quillmarsh.app " << version << " signed by " << AppUpdate::teamID
        << " and accepted by Gatekeeper" << std::endl;
    return 0;
}

} // namespace quillmarsh
