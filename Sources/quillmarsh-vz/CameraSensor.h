#pragma once

#include <cstdint>

namespace quillmarsh {

// Whether some camera device is held by some process.
class CameraSensor {
public:
    virtual ~CameraSensor() = default;
    virtual bool cameraInUse() = 0;
};

} // namespace quillmarsh
