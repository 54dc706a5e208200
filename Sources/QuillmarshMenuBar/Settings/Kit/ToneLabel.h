#pragma once

#include <QFont>
#include <QLabel>
#include <QString>

namespace quillmarsh {

// A plain-text label of the kit in one of its text colours. The colour is worked out from the
// inherited palette at every palette change, so light and dark switching recolours it; the text
// is never read as markup. setPlain keeps at most maxLength characters (cut with "…"), a few
// lines' worth once wrapped, so an agent's text of any length costs a bounded layout.
class ToneLabel : public QLabel {
    Q_OBJECT

public:
    static constexpr qsizetype maxLength = 2000;

    enum class Tone { primary, secondary, tertiary, good };

    explicit ToneLabel(const QFont& font, Tone tone = Tone::primary, QWidget* parent = nullptr);

    void setTone(Tone tone);
    Tone tone() const { return tone_; }
    // Sets the text, cut to maxLength, only when it differs, so an unchanged text costs no
    // relayout.
    void setPlain(const QString& text);

    // A wrapping label asks for its text on one line (up to its maximum width), not for QLabel's
    // narrow guess, so a short title never breaks while there is room beside it.
    QSize sizeHint() const override;

protected:
    void changeEvent(QEvent* event) override;

private:
    void recolour();

    Tone tone_;
};

} // namespace quillmarsh
