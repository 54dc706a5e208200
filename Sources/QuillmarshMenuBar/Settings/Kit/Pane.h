#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class QHBoxLayout;
class QScrollArea;
class QToolButton;
class QVBoxLayout;

namespace quillmarsh {

class ElidedLabel;

// A whole settings page on the content background: a title bar (an optional back button, the
// bold title on one line cut with "…", an optional accessory at its ideal size), a 1-px hairline,
// and a vertically scrolling body whose blocks stand 16 px apart, padded 20/28/28/28. The body's
// scroller is always shown, as a slim track along the trailing edge; its thumb appears only
// while there is something to scroll.
class Pane final : public QWidget {
    Q_OBJECT

public:
    using Back = std::function<void()>;

    explicit Pane(QWidget* parent = nullptr);

    // The title bar's height when it has a back button or an accessory: the title's full line
    // height, whatever the button or accessory needs.
    static int titleHeight();

    void setTitle(const QString& title);
    // None removes the back button.
    void setBack(Back back);
    // Takes the accessory (none for no accessory); the one it replaces is deleted.
    void setAccessory(QWidget* accessory);
    // The body's blocks in order; the pane takes them. Blocks it held that are not among them are
    // left to the caller (taken out of the body, not deleted).
    void setBlocks(const std::vector<QWidget*>& blocks);
    const std::vector<QWidget*>& blocks() const { return blocks_; }

    ElidedLabel* titleLabel() const { return title_; }
    QWidget* titleBar() const { return titleBar_; }
    QToolButton* backButton() const { return backButton_; }
    QScrollArea* scrollArea() const { return scroll_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void fitTitleBar();
    void recolour();

    QWidget* titleBar_ = nullptr;
    QHBoxLayout* barLayout_ = nullptr;
    QToolButton* backButton_ = nullptr;
    ElidedLabel* title_ = nullptr;
    QWidget* accessory_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QVBoxLayout* body_ = nullptr;
    std::vector<QWidget*> blocks_;
    Back back_;
};

} // namespace quillmarsh
