#include "Records/ImageBuildSummary.h"

#include "Foundation/JsonObject.h"

namespace quillmarsh {

bool ImageBuildSummary::inProgress() const {
    return state == "running" || state == "waiting" || state == "needs_human";
}

ImageBuildSummary ImageBuildSummary::decode(const nlohmann::json& json) {
    const JsonObject o(json, "ImageBuildSummary");
    ImageBuildSummary b;
    b.state = o.string("state");
    b.step = o.optionalString("step");
    b.steps = o.optionalInteger("steps");
    b.title = o.optionalString("title");
    b.percent = o.integer("percent");
    b.error = o.optionalString("error");
    b.stepNumber = o.optionalInteger("step_number");
    b.totalSecondsLeft = o.integer("total_seconds_left");
    b.imageId = o.optionalString("image_id");
    return b;
}

} // namespace quillmarsh
