#pragma once

#include "Settings/Kit/PaneCommand.h"
#include "Settings/Kit/StateKind.h"
#include "Vocabulary/PillTone.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace quillmarsh {

// What one settings page shows, as plain comparable values: a pane's describe function makes it
// from the model's values and the page's view state, and PageView carries it out with the kit's
// widgets. No widget, no Qt type: tests read and compare descriptions directly.
//
// Blocks and card rows carry keys (a fixed title, a job id, a repository). A block or row whose
// key stays from one description to the next keeps its widget, updated in place, so hover,
// focus, scroll position and an open menu survive a refresh.
struct PageDescription {
    // A read-only value at a row's trailing edge; good draws it in the palette's good colour.
    struct Value {
        std::string text;
        bool good = false;
        bool operator==(const Value&) const = default;
    };

    // A switch that shows `on`. It is controlled: a click runs turnOn or turnOff and changes
    // nothing itself; the next description shows the outcome.
    struct Switch {
        bool on = false;
        bool enabled = true;
        PaneCommands turnOn;
        PaneCommands turnOff;
        bool operator==(const Switch&) const = default;
    };

    struct Option {
        std::string title;
        bool selected = false;
        PaneCommands choose;
        bool operator==(const Option&) const = default;
    };

    // A pop-up button over options told apart by their titles. Its label is the first selected
    // option's title, empty when none is selected; choosing runs the option's commands and
    // selects nothing itself.
    struct Choice {
        std::vector<Option> options;
        std::string label() const {
            for (const auto& option : options)
                if (option.selected) return option.title;
            return {};
        }
        bool operator==(const Choice&) const = default;
    };

    struct Button {
        enum class Style {
            standard,     // a bordered push button
            prominent,    // the accent-filled button (the one to press)
            plain,        // borderless
            link,         // text in the link colour
            destructive,  // tinted red
        };
        std::string title;
        Style style = Style::standard;
        bool enabled = true;
        std::string help;  // the tooltip; empty for none
        PaneCommands press;
        bool operator==(const Button&) const = default;
    };

    // A 150-wide progress bar (percent clamped to 0…100) over a quiet line of text.
    struct Progress {
        int percent = 0;
        std::string left;
        bool operator==(const Progress&) const = default;
    };

    // A segmented control over options told apart by their titles: one segment per option, the
    // selected one drawn chosen. Choosing runs the option's commands and selects nothing itself.
    // The label names the control for accessibility and is not drawn.
    struct Segments {
        std::string label;
        std::vector<Option> options;
        bool operator==(const Segments&) const = default;
    };

    // Controls side by side, centred, `spacing` pixels apart.
    using GroupItem = std::variant<Value, Button, Segments>;
    struct Group {
        std::vector<GroupItem> items;
        int spacing = 12;
        bool operator==(const Group&) const = default;
    };

    using Control = std::variant<std::monostate, Value, Switch, Choice, Button, Progress, Group>;

    // One settings row: title, optional detail line and info mark, control at the trailing edge.
    // An empty detail or info shows nothing, as none does.
    struct Row {
        std::string key;
        std::string title;
        std::optional<std::string> detail;
        std::optional<std::string> info;
        Control control;
        bool operator==(const Row&) const = default;
    };

    // A row that is one link: title, arrow, the whole row clickable.
    struct Link {
        std::string key;
        std::string title;
        PaneCommands open;
        bool operator==(const Link&) const = default;
    };

    // A small coloured capsule with a dot and a word.
    struct Pill {
        std::string text;
        PillTone tone = PillTone::quiet;
        bool operator==(const Pill&) const = default;
    };

    // A job of the Jobs list: the whole row opens it. Texts give way to a narrow row in this
    // order: meta first, then name, then repository; trailing is never cut.
    struct JobLine {
        std::string key;  // the job id
        StateKind state;
        std::string repository;
        std::string name;
        std::string meta;
        std::string trailing;
        std::string accessibleName;  // the row read as one element
        PaneCommands open;
        bool operator==(const JobLine&) const = default;
    };

    // One step of a job: its state glyph, its name (quiet while pending) and its time.
    struct StepLine {
        std::string key;  // the step's number
        StateKind state;
        std::string name;
        bool quiet = false;
        std::string trailing;
        bool operator==(const StepLine&) const = default;
    };

    // One machine of the Fleet. The hardware line shows the first of its variants (longest
    // first) that fits the width left for it, else the last one cut.
    struct MachineLine {
        enum class Tile { laptop, desktop, server };
        std::string key;  // the machine id
        Tile tile = Tile::server;
        std::string name;
        bool thisMac = false;  // "this Mac" after the name
        std::vector<std::string> hardware;
        Pill pill;
        std::string activity;
        bool operator==(const MachineLine&) const = default;
    };

    // The column titles of the caches table; the Branches column only when `branches`.
    struct CacheHeader {
        std::string key;
        bool branches = false;
        bool operator==(const CacheHeader&) const = default;
    };

    // One repository's caches: the repository as a quiet owner part (with its "/") and the
    // name, then the columns of the table and the row's "Clear" button.
    struct CacheLine {
        std::string key;  // the repository
        std::string owner;
        std::string name;
        bool branchesColumn = false;
        std::string branches;
        std::string lastUsed;
        std::string size;
        Button clear;
        bool operator==(const CacheLine&) const = default;
    };

    using CardRow = std::variant<Row, Link, JobLine, StepLine, MachineLine, CacheHeader, CacheLine>;

    // Under a section's card: a quiet text and, optionally, a link-style button beside it.
    struct Footer {
        std::string text;
        std::optional<Button> button;
        bool operator==(const Footer&) const = default;
    };

    // A header line (with an optional note at its end; never a note without a header), a card of
    // rows and an optional footer.
    struct Section {
        std::string key;
        std::optional<std::string> header;
        std::optional<std::string> note;
        std::vector<CardRow> rows;
        std::optional<Footer> footer;
        bool operator==(const Section&) const = default;
    };

    // The app's header, centred: the app icon, the name, a quiet line under it.
    struct AppHeader {
        std::string key;
        std::string name;
        std::string subtitle;
        bool operator==(const AppHeader&) const = default;
    };

    // A plain quiet note in place of a section.
    struct Note {
        std::string key;
        std::string text;
        bool operator==(const Note&) const = default;
    };

    // A card with one summary line: the state glyph, a title, a quiet meta line that gives way
    // first, and a pill at the end.
    struct Summary {
        std::string key;
        StateKind state;
        std::string title;
        std::string meta;
        Pill pill;
        bool operator==(const Summary&) const = default;
    };

    struct StatCard {
        std::string label;
        std::string value;
        std::string detail;
        bool operator==(const StatCard&) const = default;
    };

    // Summary cards side by side, sharing the width equally.
    struct StatCards {
        std::string key;
        std::vector<StatCard> cards;
        bool operator==(const StatCards&) const = default;
    };

    // A job's runner log: a header (the title and, when `followControls`, "Follows the end"
    // while following or a "Jump to End" link otherwise) over a dark box holding either the
    // placeholder or the live log text. While `following` the text view keeps its end in sight.
    // The user's own scrolling runs scrolledAway when it leaves the end and backAtEnd when it
    // comes back to it; the next description says what the page now follows.
    struct Log {
        std::string key;
        std::string title;
        bool followControls = false;
        bool following = true;
        std::optional<std::string> placeholder;
        std::string text;
        PaneCommands jumpToEnd;
        PaneCommands scrolledAway;
        PaneCommands backAtEnd;
        bool operator==(const Log&) const = default;
    };

    using Block = std::variant<Section, AppHeader, Note, Summary, StatCards, Log>;

    // A confirmation shown over the page while the description holds it. Either button runs its
    // commands and dismisses the alert; closing it any other way runs cancel's.
    struct Alert {
        std::string key;
        std::string title;
        std::string message;
        Button confirm;
        Button cancel;
        bool operator==(const Alert&) const = default;
    };

    std::string title;
    // A back button (Ctrl+[) in the title bar running these; none for no button.
    std::optional<PaneCommands> back;
    // Controls at the trailing end of the title bar.
    std::optional<Group> accessory;
    std::vector<Block> blocks;
    std::optional<Alert> alert;

    // A row whose title is fixed, keyed by that title.
    static Row fixedRow(std::string title, std::optional<std::string> detail = std::nullopt, Control control = {}) {
        std::string key = title;
        return Row{std::move(key), std::move(title), std::move(detail), std::nullopt, std::move(control)};
    }
    // A button without help.
    static Button button(std::string title, PaneCommands press, Button::Style style = Button::Style::standard,
                         bool enabled = true) {
        return Button{std::move(title), style, enabled, {}, std::move(press)};
    }
    // An empty section keyed by its header.
    static Section headedSection(std::string header) {
        std::string key = header;
        return Section{std::move(key), std::move(header), std::nullopt, {}, std::nullopt};
    }

    bool operator==(const PageDescription&) const = default;
};

} // namespace quillmarsh
