// download-server: serves the files of a folder over HTTP on 127.0.0.1, as the app's download
// server would, for the demo: the app checks for updates against it and nothing leaves the machine.
//
//   download-server FOLDER
//
// Every regular file under FOLDER is read once at start and served at its path relative to the
// folder (FOLDER/mac/latest at /mac/latest); any other path gets a plain-text 404. The port is
// one the system picks; the first line names the server's address. Runs until SIGTERM or SIGINT.
#include "Foundation/FileIO.h"
#include "Support/HttpTestServer.h"

#include <csignal>
#include <filesystem>
#include <iostream>
#include <string>

namespace {

// The files of a demo's release are small; 16 MiB is room for any.
constexpr std::size_t maxFileBytes = 16 << 20;

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: download-server FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    // Blocked before the server's threads start, so only sigwait below sees them.
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    try {
        quillmarsh::test::HttpTestServer server;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            if (!entry.is_regular_file()) continue;
            auto body = quillmarsh::FileIO::readRegularFile(entry.path().string(), maxFileBytes);
            if (!body) throw std::runtime_error("download-server: cannot read " + entry.path().string());
            const std::string target = "/" + std::filesystem::relative(entry.path(), folder).generic_string();
            server.route(target, quillmarsh::test::HttpTestServer::Reply::text(std::move(*body)));
        }
        // The line tells a waiting script where to send the app.
        std::cout << "download-server: serving " << folder.string() << " on " << server.baseURL() << std::endl;
        int received = 0;
        sigwait(&signals, &received);
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
    return 0;
}
