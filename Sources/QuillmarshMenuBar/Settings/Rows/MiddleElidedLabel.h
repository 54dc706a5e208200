#pragma once

#include <QFont>
#include <QString>
#include <QWidget>

#include <vector>

class QFontMetricsF;

namespace quillmarsh {

// A one-line plain-text label of two runs, a quiet lead (drawn in the secondary colour) and the
// main text (primary), cut in the middle with "…" when the whole does not fit, so both ends stay
// readable. It asks for no more than the ellipsis's width, so a long text never widens the window
// around it, and it is read as the whole text.
class MiddleElidedLabel final : public QWidget {
    Q_OBJECT

public:
    struct Run {
        QString text;
        bool quiet = false;
        bool operator==(const Run&) const = default;
    };

    explicit MiddleElidedLabel(const QFont& font, QWidget* parent = nullptr);

    // Sets the runs only when they differ, so an unchanged text costs nothing.
    void setParts(const QString& lead, const QString& main);

    // The runs drawn at the label's width: both parts whole when they fit, else the text cut in
    // the middle, with the ellipsis in the colour of the first character it stands for.
    std::vector<Run> shown() const;
    // The same for the text lead + main in width pixels of the font's metrics.
    static std::vector<Run> shown(const QString& lead, const QString& main, const QFontMetricsF& metrics, qreal width);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString lead_;
    QString main_;
};

} // namespace quillmarsh
