#pragma once

#include "Settings/Kit/Choice.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class QAbstractButton;

namespace quillmarsh {

// A segmented control: one segment per option side by side in one bezel, the selected one drawn
// chosen. Choosing a segment calls the callback with its index and changes nothing itself: the
// caller's next setOptions() shows what was chosen.
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

private:
    std::vector<Option> options_;
    Chosen chosen_;
};

} // namespace quillmarsh
