#pragma once

#include "Settings/Kit/StateKind.h"

#include <QWidget>

namespace quillmarsh {

// The 16 x 16 glyph of a job's or a step's state, hidden from accessibility: a faint ring with an
// accent arc from the top while running, a quiet ring while pending, a green check, a red cross,
// or a quiet stop or skip mark. The arc changes only when a new kind arrives.
class StateIcon final : public QWidget {
    Q_OBJECT

public:
    static constexpr int side = 16;

    explicit StateIcon(QWidget* parent = nullptr);

    void setKind(const StateKind& kind);
    const StateKind& kind() const { return kind_; }

    QSize sizeHint() const override { return {side, side}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    StateKind kind_;
};

} // namespace quillmarsh
