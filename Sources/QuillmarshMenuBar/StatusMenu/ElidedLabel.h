#pragma once

#include "StatusMenu/LabelColors.h"

#include <QLabel>
#include <QString>

namespace quillmarsh {

// A one-line plain-text label that cuts its text at the tail with "…" when it is too narrow. It
// asks for little width, so a long text never widens the menu or window around it. The text may
// end in a quieter part (a job's repository after its name), drawn in the secondary colour; a
// quiet label (secondary or tertiary tone) draws all of it in its tone, also when disabled.
// Each part keeps at most maxLength characters (cut with "…"): no window is wide enough to show
// more, and the label's measuring and painting cost grows with its text.
class ElidedLabel final : public QLabel {
    Q_OBJECT

public:
    static constexpr qsizetype maxLength = 1000;

    // The text when it has at most limit UTF-16 units; else its start up to limit (never half a
    // surrogate pair), then "…".
    static QString bounded(const QString& text, qsizetype limit = maxLength);

    explicit ElidedLabel(QWidget* parent = nullptr);
    ElidedLabel(const QFont& font, LabelColors::Tone tone, QWidget* parent = nullptr);

    void setParts(const QString& main, const QString& quieter = {});
    // Sets the text, all of it in the label's tone, only when it differs, so an unchanged text
    // costs no relayout; whether it changed.
    bool setPlain(const QString& text);
    // Quiet is the secondary tone.
    void setQuiet(bool quiet) { setTone(quiet ? LabelColors::Tone::secondary : LabelColors::Tone::primary); }
    void setTone(LabelColors::Tone tone);

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString main_;
    QString quieter_;
    LabelColors::Tone tone_ = LabelColors::Tone::primary;
};

} // namespace quillmarsh
