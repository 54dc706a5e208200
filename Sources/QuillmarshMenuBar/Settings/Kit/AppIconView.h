#pragma once

#include <QImage>
#include <QWidget>

namespace quillmarsh {

// The app icon at a fixed size in points, drawn sharp at the widget's pixel ratio and hidden from
// assistive technology (the name beside it says what it is): the About pane's and the first-run
// window's headers.
class AppIconView final : public QWidget {
    Q_OBJECT

public:
    AppIconView(int size, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int size_;
    QImage image_;
};

} // namespace quillmarsh
