#pragma once

#include <QWidget>

#include <functional>

namespace quillmarsh {

// A painted toggle switch that is controlled from outside: it shows what setOn() last gave it. A
// click (or Space) calls the callback with the value the user asks for and changes nothing
// itself; the caller's next setOn() shows the outcome.
class Switch final : public QWidget {
    Q_OBJECT

public:
    using Wanted = std::function<void(bool)>;

    explicit Switch(QWidget* parent = nullptr);

    void setOn(bool on);
    bool isOn() const { return on_; }
    void setWanted(Wanted wanted) { wanted_ = std::move(wanted); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ask();

    bool on_ = false;
    bool pressed_ = false;
    Wanted wanted_;
};

} // namespace quillmarsh
