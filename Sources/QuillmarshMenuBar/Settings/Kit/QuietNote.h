#pragma once

#include "Settings/Kit/ToneLabel.h"

namespace quillmarsh {

// A plain secondary note in the body font, used instead of a section ("The Quillmarsh agent is
// not running on this Mac."); padded 2 px at its sides, wrapping.
class QuietNote final : public ToneLabel {
    Q_OBJECT

public:
    explicit QuietNote(QWidget* parent = nullptr);
};

} // namespace quillmarsh
