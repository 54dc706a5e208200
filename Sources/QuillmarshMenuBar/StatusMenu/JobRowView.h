#pragma once

#include "Records/RunningJob.h"
#include "StatusMenu/JobRowContent.h"
#include "StatusMenu/MenuRowView.h"

namespace quillmarsh {

class ElidedLabel;
class RingView;

// A running job's row in the status menu: the progress ring, the job's name followed by its
// repository in a quieter colour, and the time on the right. The name gives way first: it is cut
// at its tail, the time always stays whole.
class JobRowView final : public MenuRowView {
    Q_OBJECT

public:
    explicit JobRowView(QWidget* parent = nullptr);

    // Shows the job; nothing is redrawn when what it shows did not change.
    void apply(const RunningJob& job);
    const JobRowContent& content() const { return content_; }

    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutParts();

    RingView* ring_;
    ElidedLabel* name_;
    ElidedLabel* time_;
    JobRowContent content_;
};

} // namespace quillmarsh
