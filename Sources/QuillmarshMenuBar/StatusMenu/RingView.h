#pragma once

#include <QWidget>

#include <optional>

namespace quillmarsh {

// A job's progress ring: a faint circle with an arc in the accent colour from the top, clockwise,
// as far as the job has come; a fixed quarter arc when its progress cannot be measured.
class RingView final : public QWidget {
    Q_OBJECT

public:
    explicit RingView(QWidget* parent = nullptr);

    void setProgress(std::optional<double> progress);
    std::optional<double> progress() const { return progress_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<double> progress_;
};

} // namespace quillmarsh
