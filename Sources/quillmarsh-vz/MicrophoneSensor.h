#pragma once

#include <cstdint>

namespace quillmarsh {

// Whether some audio input device is capturing in some process.
class MicrophoneSensor {
public:
    virtual ~MicrophoneSensor() = default;
    virtual bool microphoneInUse() = 0;
};

} // namespace quillmarsh
