#pragma once

namespace quillmarsh {

// The status menu's Alt (Option) layer. While the menu is open and Alt is held, the alternates
// ("Stop Running Jobs…", "Copy Diagnostics") stand in place of their primaries and the agent's
// information row is shown. A forced layer (--option-layer) keeps the information row shown at
// all times, also while the menu is closed; the alternates still follow the key.
class OptionLayer {
public:
    bool infoShown() const { return infoShown_; }
    bool alternatesShown() const { return alternatesShown_; }
    bool forced() const { return forced_; }
    bool open() const { return open_; }

    // Keeps the information row shown from now on.
    void force();

    // Each step returns whether what is shown changed, so the caller re-applies the rows only then.
    bool menuWillOpen(bool altHeld);
    // A poll of the keyboard, or an Alt press or release seen while the menu is open; nothing
    // changes while it is closed.
    bool altChanged(bool altHeld);
    bool menuDidClose();

private:
    bool show(bool info, bool alternates);

    bool forced_ = false;
    bool open_ = false;
    bool infoShown_ = false;
    bool alternatesShown_ = false;
};

} // namespace quillmarsh
