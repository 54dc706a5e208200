#pragma once

#include "Settings/Kit/PageDescription.h"

#include <QPushButton>
#include <QString>

#include <functional>

namespace quillmarsh {

// The kit's push button in one of the description's styles: standard (bordered), prominent (filled
// with the accent), plain (borderless), link (text in the link colour) and destructive (red). It
// draws its title itself, so an "&" in it is shown, never taken as a mnemonic.
class PaneButton final : public QPushButton {
    Q_OBJECT

public:
    using Style = PageDescription::Button::Style;

    explicit PaneButton(QWidget* parent = nullptr);

    // Title, style, enabled state and help (the tooltip; empty for none).
    void setButton(const PageDescription::Button& button);
    // A title and style alone, for buttons that carry out no description (an alert's).
    void setLook(const QString& title, Style style);
    const QString& title() const { return title_; }
    // The large control size: a taller bezel with wider sides, for a window's one main action.
    void setLarge(bool large);
    Style style() const { return style_; }

    // What a click does; set again whenever it changes. Copied before it runs, so it may replace
    // itself.
    void setAction(std::function<void()> action) { action_ = std::move(action); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString title_;
    std::function<void()> action_;
    Style style_ = Style::standard;
    bool hovered_ = false;
    bool large_ = false;
};

} // namespace quillmarsh
