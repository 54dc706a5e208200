#pragma once

#include "Vocabulary/PillTone.h"

#include <QString>
#include <QWidget>

namespace quillmarsh {

// A small capsule 20 px high: a 6-px dot and a word in the caption font at medium weight, both
// in the tone's colour, on the same colour at 12 % opacity, padded 8 px at its ends. It keeps its
// ideal size: never cut, never stretched.
class Pill final : public QWidget {
    Q_OBJECT

public:
    static constexpr int height = 20;

    explicit Pill(QWidget* parent = nullptr);

    void setPill(const QString& text, PillTone tone);
    const QString& text() const { return text_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    PillTone tone_ = PillTone::quiet;
};

} // namespace quillmarsh
