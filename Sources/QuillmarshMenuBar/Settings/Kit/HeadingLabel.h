#pragma once

#include "Settings/Kit/ToneLabel.h"

namespace quillmarsh {

// A window's title line, read by assistive technology as a heading named by its text.
class HeadingLabel final : public ToneLabel {
    Q_OBJECT

public:
    explicit HeadingLabel(const QFont& font, QWidget* parent = nullptr);

    void setHeading(const QString& text);
};

} // namespace quillmarsh
