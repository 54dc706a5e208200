#include "Settings/SidebarView.h"

#include "Model/AppModel.h"
#include "Settings/AccountRow.h"
#include "Settings/Kit/Palette.h"
#include "Settings/Kit/TextStyle.h"
#include "Settings/Kit/ToneLabel.h"
#include "Settings/PaneSelection.h"
#include "Settings/SidebarRow.h"

#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

namespace quillmarsh {

namespace {
constexpr int listInset = 10;  // the list's rows sit this far in from the column's sides
constexpr int groupGap = 10;
} // namespace

SidebarView::SidebarView(AppModel& model, PaneSelection& selection, QWidget* parent)
    : QWidget(parent), model_(model), selection_(selection) {
    setFixedWidth(width);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* accountFrame = new QVBoxLayout;
    accountFrame->setContentsMargins(18, 40, 18, 17);
    account_ = new AccountRow(model_, this);
    accountFrame->addWidget(account_);
    layout->addLayout(accountFrame);

    auto* list = new QVBoxLayout;
    list->setContentsMargins(listInset, 0, listInset, listInset);
    list->setSpacing(2);
    const auto addRow = [&](AppPane pane) {
        auto* row = new SidebarRow(pane, [this](AppPane picked) { pick(picked); }, this);
        rows_[pane] = row;
        list->addWidget(row);
    };
    for (AppPane pane : {AppPane::general, AppPane::thisMac, AppPane::images}) addRow(pane);

    list->addSpacing(groupGap);
    auto* header = new ToneLabel(TextStyle::system(11, QFont::DemiBold), ToneLabel::Tone::secondary, this);
    header->setText(QStringLiteral("On this Mac"));
    header->setObjectName(QStringLiteral("sidebar.onThisMac"));
    header->setContentsMargins(8, 0, 8, 2);
    header_ = header;
    list->addWidget(header_);
    for (AppPane pane : onThisMacPanes) addRow(pane);

    list->addSpacing(groupGap);
    addRow(AppPane::about);
    layout->addLayout(list);
    layout->addStretch(1);

    connect(&model_, &AppModel::objectWillChange, this, [this] { scheduleRefresh(); });
    connect(&selection_, &PaneSelection::paneWillChange, this, [this](AppPane) { scheduleRefresh(); });
    refresh();
}

SidebarView::~SidebarView() = default;

SidebarRow* SidebarView::row(AppPane pane) const {
    auto found = rows_.find(pane);
    return found == rows_.end() ? nullptr : found->second;
}

void SidebarView::pick(AppPane pane) {
    selection_.setPane(pane);
}

void SidebarView::scheduleRefresh() {
    if (refreshPending_) return;
    refreshPending_ = true;
    QTimer::singleShot(0, this, [this] {
        refreshPending_ = false;
        refresh();
    });
}

void SidebarView::refresh() {
    for (auto& [pane, row] : rows_) row->setSelected(pane == selection_.pane());
    account_->refresh();
}

// The window draws the rule between the sidebar and the pane column.
void SidebarView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Palette::sidebar(palette()));
}

} // namespace quillmarsh
