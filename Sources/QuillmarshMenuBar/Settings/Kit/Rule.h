#pragma once

#include <QWidget>

namespace quillmarsh {

// A 1-px hairline across its whole length: the rule under a page's title (horizontal) and the
// one between the settings window's sidebar and pane column (vertical).
class Rule final : public QWidget {
    Q_OBJECT

public:
    explicit Rule(QWidget* parent = nullptr, Qt::Orientation orientation = Qt::Horizontal);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace quillmarsh
