#include "StatusMenu/MenuMetrics.h"

#include <QLabel>
#include <QPixmap>
#include <QWidgetAction>

#include <charconv>
#include <initializer_list>

namespace quillmarsh {

namespace {

// "METRICS", the depth in blanks, the class, the rectangle and the extra, joined by single blanks.
std::string line(int depth, const char* className, const QRectF& rect, const std::string& extra) {
    std::string out = "METRICS ";
    out.append(static_cast<std::size_t>(depth), ' ');
    out += ' ';
    out += className;
    out += ' ';
    out += MenuMetrics::rect(rect);
    out += ' ';
    out += extra;
    return out;
}

std::string labelExtra(const QLabel& label, const QMenu& menu) {
    const QPixmap pixmap = label.pixmap();
    if (!pixmap.isNull()) return "image " + MenuMetrics::size(pixmap.deviceIndependentSize());
    const QRect contents = label.contentsRect();
    const QRectF inMenu(QPointF(label.mapTo(&menu, contents.topLeft())), QSizeF(contents.size()));
    return "text=" + label.text().left(24).toStdString() + " align=" + MenuMetrics::rect(inMenu);
}

void visit(const QWidget& widget, const QMenu& menu, int depth, std::vector<std::string>& out) {
    const QRectF inMenu(QPointF(widget.mapTo(&menu, QPoint(0, 0))), QSizeF(widget.size()));
    const auto* label = qobject_cast<const QLabel*>(&widget);
    out.push_back(line(depth, widget.metaObject()->className(), inMenu, label ? labelExtra(*label, menu) : ""));
    for (const QObject* child : widget.children()) {
        const auto* sub = qobject_cast<const QWidget*>(child);
        if (sub != nullptr && sub->isVisible()) visit(*sub, menu, depth + 1, out);
    }
}

} // namespace

std::vector<std::string> MenuMetrics::lines(const QMenu& menu) {
    if (!menu.isVisible()) return {"METRICS no window"};
    std::vector<std::string> out;
    out.push_back("METRICS window " + size(QSizeF(menu.frameGeometry().size())));
    out.push_back(line(0, "QMenu", QRectF(0, 0, menu.width(), menu.height()), ""));
    for (QAction* action : menu.actions()) {
        if (!action->isVisible()) continue;
        if (auto* widgetAction = qobject_cast<QWidgetAction*>(action)) {
            const QWidget* view = widgetAction->defaultWidget();
            if (view != nullptr && view->isVisible()) visit(*view, menu, 1, out);
            continue;
        }
        const QRectF where(menu.actionGeometry(action));
        if (action->isSeparator()) {
            out.push_back(line(1, "QAction", where, "separator"));
        } else {
            QString title = action->text();
            title.replace(QLatin1String("&&"), QLatin1String("&"));
            out.push_back(line(1, "QAction", where, "title=" + title.toStdString()));
        }
    }
    return out;
}

std::string MenuMetrics::number(double value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    std::string text(buffer, end);
    if (text.find_first_of(".eE") == std::string::npos) text += ".0";
    return text;
}

// "(a, b, …)": the numbers in brackets, separated by a comma and a blank.
std::string MenuMetrics::numbers(std::initializer_list<double> values) {
    std::string out = "(";
    for (double value : values) {
        if (out.size() > 1) out += ", ";
        out += number(value);
    }
    out += ')';
    return out;
}

std::string MenuMetrics::size(const QSizeF& size) { return numbers({size.width(), size.height()}); }

std::string MenuMetrics::rect(const QRectF& rect) {
    return numbers({rect.x(), rect.y(), rect.width(), rect.height()});
}

} // namespace quillmarsh
