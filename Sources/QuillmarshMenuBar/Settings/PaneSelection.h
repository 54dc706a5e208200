#pragma once

#include "Vocabulary/AppPane.h"
#include "Words/JobRow.h"

#include <QObject>

#include <optional>
#include <string>

namespace quillmarsh {

// The settings window's selection: the pane, the job whose detail the Jobs pane shows, and the
// job-list row it was opened from. Shared by the sidebar, the pane column and the window
// controller. Each write first announces the new value (paneWillChange, jobWillChange; also when
// it equals the old one), then stores it, then applies the change rules:
//   1. a pane that differs from the old one clears the job;
//   2. a job write keeps `opened` only while opened's id is the new job.
class PaneSelection final : public QObject {
    Q_OBJECT

public:
    explicit PaneSelection(AppPane pane, QObject* parent = nullptr);

    AppPane pane() const { return pane_; }
    const std::optional<std::string>& job() const { return job_; }
    const std::optional<JobRow>& opened() const { return opened_; }

    void setPane(AppPane pane);
    void setJob(std::optional<std::string> job);
    // Not announced: the detail page only falls back on it for the job's name and repository.
    void setOpened(std::optional<JobRow> row) { opened_ = std::move(row); }

signals:
    void paneWillChange(quillmarsh::AppPane pane);
    void jobWillChange(const std::optional<std::string>& job);

private:
    AppPane pane_;
    std::optional<std::string> job_;
    std::optional<JobRow> opened_;
};

} // namespace quillmarsh
