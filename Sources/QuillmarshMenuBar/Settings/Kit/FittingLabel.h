#pragma once

#include "StatusMenu/LabelColors.h"

#include <QLabel>
#include <QString>

#include <vector>

namespace quillmarsh {

// A one-line plain-text label over variants of one text, longest first: it shows the first
// variant that fits its width whole, else the last one cut with "…". It asks for the first
// variant's width and for none at least, so it gives way in a line. It draws in its foreground
// role's colour. Its text, for assistive tools too, is the first variant.
class FittingLabel final : public QLabel {
    Q_OBJECT

public:
    explicit FittingLabel(QWidget* parent = nullptr);

    void setVariants(const std::vector<QString>& variants);
    void setTone(LabelColors::Tone tone);
    // The variant shown at the label's width, cut when none fits.
    QString shown() const;
    // The index of the first variant that fits width; the last when none does; -1 for none.
    static int fitting(const std::vector<QString>& variants, const QFontMetrics& metrics, int width);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<QString> variants_;
    LabelColors::Tone tone_ = LabelColors::Tone::primary;
};

} // namespace quillmarsh
