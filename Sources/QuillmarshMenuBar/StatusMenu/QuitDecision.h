#pragma once

namespace quillmarsh {

// Whether "Quit Quillmarsh" asks first, and what the answer does. Quitting closes only the menu
// app: the agent keeps taking jobs, which is what the question tells the user.
struct QuitDecision {
    // Ask only while the agent answers and the user has not chosen "Don't Show Again".
    static bool asks(bool agentAvailable, bool suppressed) { return agentAvailable && !suppressed; }

    struct Outcome {
        bool storeSuppressed = false;  // "Don't Show Again" is stored whichever button was pressed
        bool terminate = false;        // only "Quit" quits

        bool operator==(const Outcome&) const = default;
    };
    static Outcome after(bool confirmed, bool dontShowAgain) { return {dontShowAgain, confirmed}; }
};

} // namespace quillmarsh
