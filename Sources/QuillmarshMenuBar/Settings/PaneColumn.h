#pragma once

#include "Settings/Kit/PageView.h"
#include "Settings/Kit/PaneCommand.h"
#include "Settings/Kit/PaneViewState.h"
#include "Settings/PaneCommandRunner.h"
#include "Vocabulary/AppPane.h"

#include <QPointer>
#include <QWidget>

#include <optional>
#include <string>

class QVBoxLayout;

namespace quillmarsh {

class AppModel;
class PaneSelection;

// The settings window's right column: the page of the selected pane on the page background.
// It describes the pane from the model and its page's view state and has its PageView carry the
// description out; the page's commands run through one PaneCommandRunner, whose view commands
// come back here.
//
// A page is made afresh, with a fresh view state, whenever the pane changes (and, on the Jobs
// pane, whenever the open job does: the list and a job's detail are different pages), so a
// filter or a pending confirmation never outlives its page. The same pane written again keeps
// the page. Every change of the model queues one render for the next turn of the event loop.
class PaneColumn final : public QWidget {
    Q_OBJECT

public:
    static constexpr int minimumWidth = 530;

    PaneColumn(AppModel& model, PaneSelection& selection, QWidget* parent = nullptr);
    ~PaneColumn() override;

    // Describes the page's pane now and applies it (nothing changes when the description did not).
    void render();
    // Runs a page's commands, as its controls do.
    void perform(const PaneCommands& commands);

    PageView& page() const { return *page_; }
    AppPane pagePane() const { return pane_; }
    const PaneViewState& viewState() const { return view_; }

private:
    // What a page is made for: the pane and, on the Jobs pane only, the open job.
    struct PageFor {
        AppPane pane;
        std::optional<std::string> job;
        bool operator==(const PageFor&) const = default;
    };
    static PageFor pageFor(AppPane pane, const std::optional<std::string>& job);

    void follow(const PageFor& next);
    void makePage(const PageFor& page);
    void scheduleRender();
    void view(const PaneCommand& command);

    AppModel& model_;
    PaneSelection& selection_;
    PaneCommandRunner runner_;
    QVBoxLayout* layout_ = nullptr;
    QPointer<PageView> page_;
    AppPane pane_;
    std::optional<std::string> job_;
    PaneViewState view_;
    bool renderQueued_ = false;
};

} // namespace quillmarsh
