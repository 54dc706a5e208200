#include "Settings/SettingsWindow.h"

#include "Settings/Kit/Rule.h"
#include "Settings/PaneColumn.h"
#include "Settings/SidebarView.h"
#include "StatusMenu/MarkIcon.h"

#include <QCloseEvent>
#include <QHBoxLayout>

namespace quillmarsh {

SettingsWindow::SettingsWindow(AppModel& model, PaneSelection& selection, QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Quillmarsh"));
    setWindowIcon(MarkIcon::windowIcon());
    setMinimumSize(minimumWidth, minimumHeight);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    sidebar_ = new SidebarView(model, selection, this);
    column_ = new PaneColumn(model, selection, this);
    layout->addWidget(sidebar_);
    layout->addWidget(column_, 1);

    // The rule lies over the column's first pixel rather than between the columns, so the
    // sidebar's 230 and the column's 530 make the window's minimum width of 760 exactly. The page
    // keeps side margins far wider than that pixel.
    divider_ = new Rule(this, Qt::Vertical);
    divider_->setObjectName(QStringLiteral("divider"));
    divider_->setAttribute(Qt::WA_TransparentForMouseEvents);

    resize(contentWidth, contentHeight);
    placeDivider();
}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::placeDivider() {
    divider_->setGeometry(SidebarView::width, 0, 1, height());
    divider_->raise();
}

// Closing hides the window (it is not deleted on close) and keeps it for reuse.
void SettingsWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
}

void SettingsWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) emit activated();
}

void SettingsWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (isVisible()) emit frameChanged();
}

void SettingsWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeDivider();
    if (isVisible()) emit frameChanged();
}

} // namespace quillmarsh
