#pragma once

#include "Settings/Kit/ToneLabel.h"

namespace quillmarsh {

// A read-only value at a row's trailing edge: body text in the good colour or the secondary one.
class Value final : public ToneLabel {
    Q_OBJECT

public:
    explicit Value(QWidget* parent = nullptr);

    void setValue(const QString& text, bool good);
    bool isGood() const { return tone() == Tone::good; }
};

} // namespace quillmarsh
