#pragma once

#include "StatusMenu/MenuAction.h"

#include <string>
#include <vector>

namespace quillmarsh {

// One row of the status menu as the menu's plan describes it; the controller turns it into a
// QAction. Titles and tooltips are plain text (agent text included), never markup.
struct MenuEntry {
    enum class Kind {
        item,       // a row Qt draws: title, shortcut, tooltip
        separator,
        agentInfo,  // the agent's information lines (a row view the controller keeps)
        job,        // a running job's row view; tag is the job's index in the running list
        submenu,    // a titled row opening the entries in submenu
    };
    // When the row is on screen. Qt menus have no alternates: a primary row and its alternate
    // swap while Alt is held, and the information row follows the Option layer.
    enum class Layer {
        always,
        primary,      // hidden while Alt is held (an alternate stands in its place)
        alternate,    // shown only while Alt is held
        optionLayer,  // shown while the Option layer is on
    };

    Kind kind = Kind::item;
    std::string identifier;  // the QAction's objectName; empty for rows nobody looks up
    std::string title;
    MenuAction action = MenuAction::none;
    std::string shortcut;  // portable QKeySequence text ("Ctrl+D", "Ctrl+Alt+,"), empty for none
    bool enabled = true;
    std::string tooltip;
    Layer layer = Layer::always;
    std::string argument;  // openJob: the job's repository
    int tag = -1;          // choosePause: the option's index; job: the job's index
    std::vector<MenuEntry> submenu;

    bool operator==(const MenuEntry&) const = default;
};

} // namespace quillmarsh
