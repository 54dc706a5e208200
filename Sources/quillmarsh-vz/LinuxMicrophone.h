#pragma once

#include "MicrophoneSensor.h"

#include <string>

namespace quillmarsh {

// A capture substream (pcm*c) under root's /proc/asound whose status says RUNNING. Playback streams never count.
class LinuxMicrophone final : public MicrophoneSensor {
public:
    explicit LinuxMicrophone(std::string root = "/") : root_(std::move(root)) {}
    bool microphoneInUse() override;

private:
    std::string root_;
};

} // namespace quillmarsh
