#pragma once

#include <map>
#include <string>

namespace quillmarsh {

// The short-lived view flags of the page on screen (a pending confirmation, "Copied"), the only
// state a pane has beyond the model. They start anew whenever a page is made for a pane.
class PaneViewState {
public:
    // The key's value; empty when it was never set.
    std::string value(const std::string& key) const {
        auto it = values_.find(key);
        return it == values_.end() ? std::string() : it->second;
    }
    bool flag(const std::string& key) const { return value(key) == trueValue; }
    // An empty value removes the key.
    void set(const std::string& key, const std::string& value) {
        if (value.empty()) values_.erase(key);
        else values_[key] = value;
    }

    static constexpr const char* trueValue = "true";

    bool operator==(const PaneViewState&) const = default;

private:
    std::map<std::string, std::string> values_;
};

} // namespace quillmarsh
