#include "StatusMenu/JobRowContent.h"

#include "Words/MenuModel.h"

namespace quillmarsh {

JobRowContent JobRowContent::of(const RunningJob& job) {
    JobRowContent content;
    content.name = MenuModel::jobName(job);
    content.repository = MenuModel::shortRepository(job.repository);
    content.tooltip = content.name + " " + content.repository;
    content.time = MenuModel::timeLine(job);
    content.progress = MenuModel::progress(job);
    return content;
}

} // namespace quillmarsh
