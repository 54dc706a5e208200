#pragma once

class QWidget;

namespace quillmarsh {

// How the app brings one of its windows forward, as activating the app would: centred on its
// screen when the caller asks, then shown, raised and made the active window.
struct WindowActivation {
    // Centres the window on the available area of its screen (the primary one before it has one).
    static void centre(QWidget& window);
    // Shows the window, raises it and makes it the active window. The offscreen platform (tests,
    // the screenshot mode) has no stacking order and warns when raised, so it is not raised there.
    static void bringForward(QWidget& window);
};

} // namespace quillmarsh
