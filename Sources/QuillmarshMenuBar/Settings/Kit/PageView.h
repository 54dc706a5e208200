#pragma once

#include "Settings/Kit/PageDescription.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class QMessageBox;

namespace quillmarsh {

class Pane;

// Carries out a page description with the kit's widgets: the pane's title bar (with its back
// button and accessory), its hairline, and a scrolling body of blocks: sections of card rows,
// notes, summary cards and the job log. apply() with a new description updates the
// widgets in place: a block or row whose key stays keeps its widget (so hover, focus, an open
// menu and the scroll position survive), one that goes is removed, a new one is made. A
// description equal to the one applied last changes nothing. Controls run their commands
// through `perform`; no widget changes a shown value by itself.
class PageView final : public QWidget {
    Q_OBJECT

public:
    using Perform = std::function<void(const PaneCommands&)>;

    explicit PageView(Perform perform, QWidget* parent = nullptr);
    ~PageView() override;

    void apply(const PageDescription& page);
    // The description applied last.
    const PageDescription& page() const;

    // Lookups by key, for the window and for tests; null when the page has no such part. Widgets
    // are also named: a block's and a row's objectName is its key, a row's control is named
    // key + ".control", and the alert's buttons "alert.confirm" and "alert.cancel".
    Pane* pane() const;
    // A section (PaneSection), an app header (AppHeader), a note (QuietNote), a job summary
    // (JobSummaryCard), summary cards (StatCardRow) or a log (LogArea).
    QWidget* blockWidget(const std::string& key) const;
    // A card row: Row, LinkRow, JobListRow, StepRow, MachineRow, CacheHeaderRow or CacheRow; the
    // first with that key.
    QWidget* rowWidget(const std::string& key) const;
    // A Row's control: Value, Switch, Choice, PaneButton, ProgressColumn, or the plain widget that
    // holds a group's Values and PaneButtons side by side.
    QWidget* controlWidget(const std::string& key) const;
    // The title bar's accessory, the widget holding its items side by side; null without one.
    QWidget* accessory() const;
    // The alert box while one is up.
    QMessageBox* alertBox() const;

private:
    // Opens, replaces or closes the alert box to match the page applied last.
    void showAlert();

    struct Parts;
    std::unique_ptr<Parts> parts_;
};

} // namespace quillmarsh
