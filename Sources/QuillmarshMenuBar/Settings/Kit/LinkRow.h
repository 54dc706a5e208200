#pragma once

#include <QAbstractButton>
#include <QString>

#include <functional>

namespace quillmarsh {

// A card row that is one link: the title, and an up-right arrow at the trailing edge; the whole
// padded row is the button. Padded as Row is.
class LinkRow final : public QAbstractButton {
    Q_OBJECT

public:
    explicit LinkRow(QWidget* parent = nullptr);

    void setTitle(const QString& title);
    const QString& title() const { return title_; }

    // What a click does; set again whenever it changes. Copied before it runs, so it may replace
    // itself.
    void setAction(std::function<void()> action) { action_ = std::move(action); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString title_;
    std::function<void()> action_;
    bool hovered_ = false;
};

} // namespace quillmarsh
