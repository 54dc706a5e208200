#pragma once

#include "CameraSensor.h"

#include <string>

namespace quillmarsh {

// A /dev/video* device under root that some process under root's /proc holds open (a descriptor link naming it). Without any video device nothing is scanned.
class LinuxCamera final : public CameraSensor {
public:
    explicit LinuxCamera(std::string root = "/") : root_(std::move(root)) {}
    bool cameraInUse() override;

private:
    std::string root_;
};

} // namespace quillmarsh
