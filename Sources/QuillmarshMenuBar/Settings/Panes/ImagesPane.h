#pragma once

#include "Records/ImageBuildSummary.h"
#include "Records/ImageReport.h"
#include "Settings/Kit/PageDescription.h"
#include "Settings/Kit/PaneViewState.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quillmarsh {

class AppModel;

// The "Images" page: the macOS and Linux images jobs start from, a running image build, an Xcode
// the image lacks, the disk space of images and package caches, and clearing all package caches
// after a confirmation (the view flag confirmingClear holds the alert up).
struct ImagesPane {
    // The caches report's totals.
    struct CacheTotals {
        std::int64_t bytes = 0;
        std::int64_t limitBytes = 0;
        bool operator==(const CacheTotals&) const = default;
    };

    struct Inputs {
        std::optional<ImageReport> report;
        std::optional<ImageBuildSummary> build;   // the status's image build
        std::optional<std::string> statusImageId;
        bool hostLaptop = false;
        std::optional<std::int64_t> imagesBytes;  // none until measured
        std::optional<CacheTotals> caches;        // none without a caches report
        bool operator==(const Inputs&) const = default;
    };

    static constexpr const char* confirmingClear = "confirmingClear";

    static Inputs inputs(const AppModel& model);
    static PageDescription describe(const Inputs& inputs, const PaneViewState& view);

private:
    static std::string macOSTitle(const std::optional<ImageReport>& report);
    static std::optional<std::string> simulatorsLine(const std::optional<ImageReport>& report);
    static std::string buildTitle(const std::optional<ImageReport>& report, const ImageBuildSummary& build);
    static std::optional<std::string> linuxImage(const Inputs& inputs);
    static std::string cap(const Inputs& inputs);
};

} // namespace quillmarsh
