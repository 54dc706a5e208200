#pragma once

#include <QWidget>

namespace quillmarsh {

// A 1-px hairline across its whole width: the rule under a page's title.
class Rule final : public QWidget {
    Q_OBJECT

public:
    explicit Rule(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace quillmarsh
