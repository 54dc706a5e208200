#pragma once

#include <QMenu>
#include <QRectF>
#include <QSizeF>

#include <initializer_list>
#include <string>
#include <vector>

namespace quillmarsh {

// The diagnostic printout of the open status menu (--menu-metrics): one line per visible thing,
// so layout can be checked without looking at the screen.
//
//   METRICS window (W, H)                   the open menu's frame size
//   METRICS  QMenu (0.0, 0.0, W, H)         the menu itself, depth 0 (the line ends in a blank)
//   METRICS   <class> (x, y, w, h) <extra>  each visible row in menu order, then its visible
//                                           child widgets one level deeper each
//
// Rectangles are in the menu's coordinates. Rows Qt draws print as QAction with "title=" and the
// title, separators as QAction with "separator"; a label's extra is "text=", its first 24
// characters, " align=" and its contents rectangle; an image label's "image (w, h)".
// "METRICS no window" when the menu is not open.
struct MenuMetrics {
    static std::vector<std::string> lines(const QMenu& menu);

    // "300.0", "21.5": shortest decimal text with at least one digit after the point.
    static std::string number(double value);
    static std::string numbers(std::initializer_list<double> values);
    static std::string size(const QSizeF& size);
    static std::string rect(const QRectF& rect);
};

} // namespace quillmarsh
