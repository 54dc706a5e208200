#include "Words/MenuModel.h"

#include <benchmark/benchmark.h>

using namespace quillmarsh;

namespace {

// One render of the status icon for a paused agent plus the tooltip of a pause that ends in
// three days: the time formatter and the "d MMM" template are both made on every call.
void iconAndPausedTooltip(benchmark::State& state) {
    const Calendar calendar("Europe/London");
    const Locale locale = Locale::enGB();
    const Date now = *calendar.date(2026, 6, 10, 12, 0, 0);
    AgentStatus status;
    status.state = AgentStatus::State::paused;
    status.runningJobs = 0;
    status.capacity = 2;
    status.pausedUntil = "2026-06-11T08:00:00Z";
    const std::optional<std::string> later = "2026-06-13T09:00:00Z";
    for (auto _ : state) {
        const MenuIcon icon = MenuModel::icon(status, now, calendar, locale);
        std::string tooltip = MenuModel::pausedTooltip(later, now, calendar, locale);
        benchmark::DoNotOptimize(icon);
        benchmark::DoNotOptimize(tooltip);
    }
}

} // namespace

BENCHMARK(iconAndPausedTooltip)->Unit(benchmark::kMicrosecond);
