// standin-service: a VM service that misbehaves on purpose, put beside a copy of quillmarsh-vz in
// place of the real one, so tests can show that the tool never waits on its service or its guest.
// QUILLMARSH_STANDIN (the tool passes its environment on) chooses how it misbehaves:
//
//   silent       takes every message and never answers one: the VM never starts.
//   frozen       answers "start" with "started" (and writes "guest: booted" to the console),
//                then reads nothing more and answers nothing.
//   hold-config  starts, then its guest connects to port 1024 and never reads what the host
//                sends; a stop request powers the guest off.
//
// Whatever the mode, it first writes a line to its standard error, as a crashing service would.

#include "Foundation/UniqueFd.h"
#include "Virtualization/ControlChannel.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/socket.h>
#include <unistd.h>

using quillmarsh::UniqueFd;
using vz::ControlChannel;

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const int channel = std::atoi(argv[1]);
    const char* chosen = std::getenv("QUILLMARSH_STANDIN");
    const std::string mode = chosen ? chosen : "";
    std::fputs("standin-service: terminate called after throwing an instance of 'std::logic_error'\n", stderr);
    std::fflush(stderr);
    UniqueFd guestEnd; // the guest's end of its port-1024 connection, never read
    UniqueFd console;  // the console file the tool sent
    while (auto message = ControlChannel::receive(channel)) {
        if (mode == "silent") continue;
        if (message->text == "console") console = std::move(message->fd);
        if (message->text != "start") {
            if (mode == "hold-config" && message->text == "request-stop") {
                ControlChannel::send(channel, "guest-stopped");
                return 0;
            }
            continue;
        }
        ControlChannel::send(channel, "started");
        if (mode == "frozen") {
            const std::string booted = "guest: booted\n";
            if (console && ::write(console.get(), booted.data(), booted.size()) < 0) return 1;
            for (;;) ::pause();
        }
        if (mode == "hold-config") {
            int pair[2];
            if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return 1;
            guestEnd.reset(pair[0]);
            const UniqueFd hostEnd(pair[1]);
            ControlChannel::send(channel, "connect 1 1024", hostEnd.get());
        }
    }
    return 0;
}
