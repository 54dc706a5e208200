#pragma once

#include <QString>
#include <QWidget>

namespace quillmarsh {

class ToneLabel;

// A 150-wide progress bar over a quiet line of text, both at the trailing edge. The percent is
// clamped to 0…100.
class ProgressColumn final : public QWidget {
    Q_OBJECT

public:
    static constexpr int barWidth = 150;

    explicit ProgressColumn(QWidget* parent = nullptr);

    void setProgress(int percent, const QString& left);
    // The clamped percent the bar shows.
    int shownPercent() const { return percent_; }
    ToneLabel* leftLabel() const { return left_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int percent_ = 0;
    ToneLabel* left_ = nullptr;
};

} // namespace quillmarsh
