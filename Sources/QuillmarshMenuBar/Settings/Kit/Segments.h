#pragma once

#include "Settings/Kit/Choice.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class QAbstractButton;

namespace quillmarsh {

// A segmented control 22 px high: one segment per option side by side in one bezel, all as wide
// as the widest needs, the selected one filled with the accent. Choosing a segment (a click, or
// Space or Return on the segment the arrow keys point at while the control has focus) calls the
// callback with its index and changes nothing itself: the caller's next setOptions() shows what
// was chosen. For assistive tools each segment is a radio button named by its title.
class Segments final : public QWidget {
    Q_OBJECT

public:
    using Option = Choice::Option;
    using Chosen = Choice::Chosen;

    explicit Segments(QWidget* parent = nullptr);

    void setOptions(const std::vector<Option>& options);
    void setChosen(Chosen chosen) { chosen_ = std::move(chosen); }
    const std::vector<Option>& options() const { return options_; }
    // The segment's button, for tests; null out of range.
    QAbstractButton* segment(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void choose(int index);
    void placeSegments();
    int selectedIndex() const;
    QRect segmentRect(int index) const;

    std::vector<Option> options_;
    std::vector<QAbstractButton*> buttons_;
    Chosen chosen_;
    int cursor_ = 0;
};

} // namespace quillmarsh
