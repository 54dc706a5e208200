#include "Settings/PaneColumn.h"

#include "Model/AppModel.h"
#include "Settings/Kit/PageView.h"
#include "Settings/PaneSelection.h"
#include "Settings/Panes/PaneDescriber.h"

#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace quillmarsh {

PaneColumn::PaneColumn(AppModel& model, PaneSelection& selection, QWidget* parent)
    : QWidget(parent),
      model_(model),
      selection_(selection),
      runner_(model, PaneCommandRunner::Environment{{}, [this](const PaneCommand& command) { view(command); }}),
      pane_(selection.pane()) {
    setMinimumWidth(minimumWidth);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(0);

    makePage(pageFor(selection.pane(), selection.job()));
    render();

    // The selection announces a write before it stores it: the new value is the argument.
    connect(&selection_, &PaneSelection::paneWillChange, this,
            [this](AppPane pane) { follow(pageFor(pane, pane == selection_.pane() ? selection_.job() : std::nullopt)); });
    connect(&selection_, &PaneSelection::jobWillChange, this,
            [this](const std::optional<std::string>& job) { follow(pageFor(selection_.pane(), job)); });
    // Queued and merged: the render reads the model after the whole change has been applied.
    connect(&model_, &AppModel::objectWillChange, this, &PaneColumn::scheduleRender);
}

PaneColumn::~PaneColumn() = default;

PaneColumn::PageFor PaneColumn::pageFor(AppPane pane, const std::optional<std::string>& job) {
    return PageFor{pane, pane == AppPane::jobs ? job : std::nullopt};
}

void PaneColumn::follow(const PageFor& next) {
    if (next != PageFor{pane_, job_}) {
        makePage(next);
        render();
    }
    // Once the selection has stored the write and run its rules, the page is described again.
    scheduleRender();
}

void PaneColumn::makePage(const PageFor& page) {
    if (page_) {
        // The old page may be running the very command that changed the pane: it goes once that
        // handler has returned. Hidden and out of the layout now, so it never shows again.
        layout_->removeWidget(page_);
        page_->hide();
        page_->deleteLater();
    }
    pane_ = page.pane;
    job_ = page.job;
    view_ = PaneViewState();
    page_ = new PageView([this](const PaneCommands& commands) { perform(commands); }, this);
    layout_->addWidget(page_);
}

void PaneColumn::render() {
    renderQueued_ = false;
    // The selection keeps the opened row only while it is the open job's.
    page_->apply(PaneDescriber::describe(PaneDescriber::Target{pane_, job_, selection_.opened()}, model_, view_));
}

void PaneColumn::scheduleRender() {
    if (renderQueued_) return;
    renderQueued_ = true;
    QMetaObject::invokeMethod(this, [this] { if (renderQueued_) render(); }, Qt::QueuedConnection);
}

void PaneColumn::perform(const PaneCommands& commands) { runner_.run(commands); }

// The page's own view state and the window's selection. A view change renders on the next turn:
// the command comes from one of the page's controls, which a render now could replace while its
// handler still runs. A new page is safe at once: the old one goes only after the handler.
void PaneColumn::view(const PaneCommand& command) {
    if (const auto* open = command.as<PaneCommand::OpenJob>()) {
        if (selection_.pane() != AppPane::jobs) return;
        selection_.setOpened(open->row);
        selection_.setJob(open->row.id);
    } else if (command.as<PaneCommand::CloseJob>() != nullptr) {
        selection_.setJob(std::nullopt);
    } else if (const auto* set = command.as<PaneCommand::SetView>()) {
        view_.set(set->key, set->value);
        scheduleRender();
    } else if (const auto* flash = command.as<PaneCommand::FlashView>()) {
        view_.set(flash->key, flash->value);
        scheduleRender();
        // The page is the timer's context: a page replaced before the delay drops its reset, and
        // the new page's fresh state is never touched.
        PageView* page = page_;
        QTimer::singleShot(std::max(0, flash->milliseconds), page, [this, page, key = flash->key, reset = flash->reset] {
            if (page != page_) return;
            view_.set(key, reset);
            scheduleRender();
        });
    }
}

} // namespace quillmarsh
