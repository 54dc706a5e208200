#include "Settings/Kit/QuietNote.h"

#include "Settings/Kit/TextStyle.h"

namespace quillmarsh {

QuietNote::QuietNote(QWidget* parent) : ToneLabel(TextStyle::body(), Tone::secondary, parent) {
    setWordWrap(true);
    setContentsMargins(2, 0, 2, 0);
}

} // namespace quillmarsh
