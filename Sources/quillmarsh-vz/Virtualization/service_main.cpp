// quillmarsh-vz-service: the process in which one simulated guest runs. The tool starts it with the
// control channel on the descriptor named by the first argument; what the guest does comes from its
// guest script (see GuestScript.h and the README).

#include "Foundation/FileIO.h"
#include "Foundation/IntegerText.h"
#include "Foundation/Text.h"
#include "Foundation/UniqueFd.h"
#include "Virtualization/ControlChannel.h"
#include "Virtualization/GuestScript.h"

#include <nlohmann/json.hpp>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using quillmarsh::FileIO;
using quillmarsh::UniqueFd;

int channel = -1;
std::mutex sendMutex;
std::atomic<bool> obeyStop{true};
std::map<std::string, std::string> shares; // tag → the shared folder's path
// Open for the rest of the process: a detached guest thread may write to it while the process ends.
int consoleFd = -1;

void send(const std::string& text, int fd = -1) {
    std::lock_guard lock(sendMutex);
    vz::ControlChannel::send(channel, text, fd);
}

// Sends the guest's last word and ends the process once the tool has read it: a socket closed with
// unread messages would be reset, and the tool would lose what was sent last.
[[noreturn]] void endGuest(const std::string& message) {
    send(message);
    ::shutdown(channel, SHUT_WR);
    timeval wait{5, 0};
    ::setsockopt(channel, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    char sink[4096];
    while (::recv(channel, sink, sizeof sink, 0) > 0) {
    }
    ::_exit(0);
}

void console(const std::string& line) {
    if (consoleFd < 0) return;
    std::string text = line + "\n";
    [[maybe_unused]] auto n = ::write(consoleFd, text.data(), text.size());
}

// Answers to the guest's connections, by connection id.
struct Pending {
    bool answered = false;
    bool accepted = false;
};
std::mutex pendingMutex;
std::condition_variable pendingChanged;
std::map<int, Pending> pending;
int nextId = 1;

// A guest connection: its id (-1 when it could not be made) and the guest's end.
struct Connection {
    int id = -1;
    UniqueFd guestEnd;
};

// Opens a guest connection to a host port. `beforeAnswer` runs with it before the host is asked,
// so a reader is in place before any byte comes; it may take the guest's end.
Connection openConnection(std::uint32_t port, const std::function<void(Connection&)>& beforeAnswer = {}) {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return {};
    Connection connection{-1, UniqueFd(pair[0])};
    const UniqueFd hostEnd(pair[1]); // the tool gets its own copy with the message
    {
        std::lock_guard lock(pendingMutex);
        connection.id = nextId++;
        pending[connection.id] = Pending{};
    }
    if (beforeAnswer) beforeAnswer(connection);
    send("connect " + std::to_string(connection.id) + " " + std::to_string(port), hostEnd.get());
    return connection;
}

// Waits for the host's answer on a connection: true when it was accepted.
bool awaitAnswer(int id) {
    if (id < 0) return false;
    std::unique_lock lock(pendingMutex);
    pendingChanged.wait(lock, [&] { return pending[id].answered; });
    return pending[id].accepted;
}

void forgetConnection(int id) {
    std::lock_guard lock(pendingMutex);
    pending.erase(id);
}

// TAG/PATH inside a share, or empty when the tag is unknown or the path leaves the share.
std::string sharePath(const std::string& tag, const std::string& path) {
    auto found = shares.find(tag);
    if (found == shares.end() || path.find("..") != std::string::npos) return "";
    return found->second + "/" + path;
}

void writeFile(const std::string& path, const std::string& bytes) {
    // O_NONBLOCK: a FIFO planted in a share fails the write instead of stopping the guest.
    const UniqueFd file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644));
    if (file) FileIO::writeAll(file.get(), bytes);
}

std::vector<std::thread> readers;

void fetchConfig(const vz::GuestScript::Command& c) {
    std::string target = sharePath(c.tag, c.path);
    // The reader reads to the end of the stream, then writes the file when the host accepted. The
    // script goes on once the host has answered; poweroff waits for the readers.
    const Connection connection = openConnection(1024, [&](Connection& opened) {
        readers.emplace_back([guestEnd = std::move(opened.guestEnd), readerId = opened.id, target]() mutable {
            std::string bytes;
            char buffer[65536];
            ssize_t n;
            while ((n = ::read(guestEnd.get(), buffer, sizeof buffer)) > 0) bytes.append(buffer, std::size_t(n));
            guestEnd.reset();
            bool accepted = awaitAnswer(readerId);
            if (accepted && !target.empty()) writeFile(target, bytes);
            console(accepted ? "fetch-config: " + std::to_string(bytes.size()) + " bytes" : "fetch-config: refused");
            std::fill(bytes.begin(), bytes.end(), '\0');
            explicit_bzero(buffer, sizeof buffer);
        });
    });
    awaitAnswer(connection.id);
}

void report(const std::string& name, const std::string& content) {
    Connection connection = openConnection(1025);
    bool accepted = awaitAnswer(connection.id);
    forgetConnection(connection.id);
    if (accepted) {
        const int fd = connection.guestEnd.get();
        if (FileIO::sendAll(fd, name + "\n")) FileIO::sendAll(fd, content);
    }
    console(accepted ? "report: sent" : "report: refused");
    connection.guestEnd.reset(); // the end of the report for the host
}

void runScript(vz::GuestScript script) {
    for (const auto& c : script.commands) {
        using Kind = vz::GuestScript::Command::Kind;
        switch (c.kind) {
        case Kind::fetchConfig:
            console("fetch-config " + c.tag + "/" + c.path);
            fetchConfig(c);
            break;
        case Kind::report:
            console("report");
            report(c.name, c.text);
            break;
        case Kind::reportBytes:
            console("report-bytes " + std::to_string(c.number));
            report(c.name, std::string(std::size_t(c.number), '\0'));
            break;
        case Kind::sleepMs:
            std::this_thread::sleep_for(std::chrono::milliseconds(c.number));
            break;
        case Kind::poweroff:
            console("poweroff");
            for (auto& reader : readers) reader.join();
            readers.clear();
            endGuest("guest-stopped");
        case Kind::crash:
            console("crash");
            endGuest("error " + c.text);
        case Kind::onStopRequest:
            obeyStop = c.obey;
            break;
        case Kind::bootFail:
            break; // decided at start
        case Kind::recordNice: {
            errno = 0;
            int nice = ::getpriority(PRIO_PROCESS, ::getpid());
            std::string target = sharePath(c.tag, c.path);
            if (!target.empty()) writeFile(target, std::to_string(nice) + "\n");
            break;
        }
        }
    }
    console("idle");
}

std::string readScript(const std::string& path) {
    // Only a regular file holds a script: anything else (a FIFO swapped in) boots an idle guest,
    // and the open never waits.
    const UniqueFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info {};
    if (!file || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return "";
    std::string text;
    char buffer[65536];
    ssize_t n;
    // A script is small; a disk image holds it at its start, ended by the first zero byte, so only
    // the start of a file is read, never the whole of it.
    while (text.size() < (1 << 20) && (n = ::read(file.get(), buffer, sizeof buffer)) > 0) {
        text.append(buffer, std::size_t(n));
        if (text.find('\0') != std::string::npos) break;
    }
    auto zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
    return text;
}

// What the tool sent with "config": the description in its memory file.
struct Description {
    std::optional<std::string> script;
    std::map<std::string, std::string> shares;
};

// None when the description is missing or unreadable. Paths and tags come as hexadecimal bytes.
std::optional<Description> readDescription(int fd) {
    if (fd < 0) return std::nullopt;
    const auto text = FileIO::readAll(fd, 64u << 20);
    if (!text) return std::nullopt;
    const auto json = nlohmann::json::parse(*text, nullptr, false);
    if (!json.is_object()) return std::nullopt;
    Description description;
    const auto script = json.find("script");
    if (script != json.end() && !script->is_null()) {
        if (!script->is_string()) return std::nullopt;
        description.script = quillmarsh::Text::hexDecoded(script->get<std::string>());
        if (!description.script) return std::nullopt;
    }
    const auto found = json.find("shares");
    if (found == json.end() || !found->is_object()) return std::nullopt;
    for (const auto& [hexTag, share] : found->items()) {
        const auto tag = quillmarsh::Text::hexDecoded(hexTag);
        const auto path = share.is_object() && share.contains("path") && share["path"].is_string()
                              ? quillmarsh::Text::hexDecoded(share["path"].get<std::string>())
                              : std::nullopt;
        if (!tag || !path) return std::nullopt;
        description.shares[*tag] = *path;
    }
    return description;
}

} // namespace

int main(int argc, char** argv) {
    const auto fd = argc < 2 ? std::nullopt : quillmarsh::IntegerText::parseDigits(argv[1]);
    if (!fd || *fd > INT_MAX) return 2;
    channel = int(*fd);
    // A write to a gone peer or past the file-size limit fails; it does not end the guest.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    std::thread guest;
    while (auto message = vz::ControlChannel::receive(channel)) {
        const std::string& text = message->text; // a descriptor sent along is closed with the message
        if (text == "console") {
            // The file the tool opened for the console: it stays open for the rest of the process.
            if (message->fd && consoleFd < 0) consoleFd = message->fd.release();
        } else if (text == "config") {
            const auto config = readDescription(message->fd.get());
            if (!config) endGuest("start-failed the virtual machine description is unreadable");
            shares = config->shares;
            if (config->script) {
                std::optional<vz::GuestScript> script;
                try {
                    script = vz::GuestScript::parse(readScript(*config->script));
                } catch (const std::exception& e) {
                    endGuest(std::string("start-failed ") + e.what());
                }
                if (script) {
                    for (const auto& c : script->commands)
                        if (c.kind == vz::GuestScript::Command::Kind::bootFail) endGuest("start-failed " + c.text);
                    // Waits for "start" below; keep the script until then.
                    guest = std::thread([s = std::move(*script)]() mutable {
                        std::unique_lock lock(pendingMutex);
                        pendingChanged.wait(lock, [] { return pending.count(0) > 0; });
                        lock.unlock();
                        runScript(std::move(s));
                    });
                    guest.detach();
                }
            }
        } else if (text == "start") {
            console("guest: booted");
            send("started");
            std::lock_guard lock(pendingMutex);
            pending[0] = Pending{true, true}; // the start marker the guest thread waits for
            pendingChanged.notify_all();
        } else if (text == "request-stop") {
            if (obeyStop) {
                console("guest: stop requested, shutting down");
                endGuest("guest-stopped");
            }
            console("guest: stop request ignored");
        } else if (text == "stop") {
            endGuest("stopped");
        } else if (text.rfind("accept ", 0) == 0 || text.rfind("refuse ", 0) == 0) {
            // An answer that names no connection is ignored.
            if (const auto id = vz::ControlChannel::parseId(std::string_view(text).substr(7))) {
                std::lock_guard lock(pendingMutex);
                pending[*id] = Pending{true, text[0] == 'a'};
                pendingChanged.notify_all();
            }
        }
    }
    return 0; // the tool is gone
}
