#include "Settings/Kit/PageView.h"

#include "Settings/Kit/AppHeader.h"
#include "Settings/Kit/Card.h"
#include "Settings/Kit/Choice.h"
#include "Settings/Kit/LinkRow.h"
#include "Settings/Kit/Pane.h"
#include "Settings/Kit/PaneButton.h"
#include "Settings/Kit/PaneSection.h"
#include "Settings/Kit/ProgressColumn.h"
#include "Settings/Kit/QuietNote.h"
#include "Settings/Kit/Row.h"
#include "Settings/Kit/Segments.h"
#include "Settings/Kit/Switch.h"
#include "Settings/Kit/Value.h"
#include "Settings/Rows/CacheHeaderRow.h"
#include "Settings/Rows/CacheRow.h"
#include "Settings/Rows/JobListRow.h"
#include "Settings/Rows/JobSummaryCard.h"
#include "Settings/Rows/LogArea.h"
#include "Settings/Rows/MachineRow.h"
#include "Settings/Rows/StatCardRow.h"
#include "Settings/Rows/StepRow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QVBoxLayout>

#include <iterator>

namespace quillmarsh {

namespace {

using Description = PageDescription;

QString text(const std::string& value) { return QString::fromStdString(value); }
QString text(const std::optional<std::string>& value) { return value ? QString::fromStdString(*value) : QString(); }

const std::string& keyOf(const Description::CardRow& row) {
    return std::visit([](const auto& r) -> const std::string& { return r.key; }, row);
}
const std::string& keyOf(const Description::Block& block) {
    return std::visit([](const auto& b) -> const std::string& { return b.key; }, block);
}

// A widget that goes is hidden and taken out of the layouts now, and deleted once control is back
// in the event loop: the widget may be the one whose click led to this apply.
void retire(QWidget* widget) {
    if (widget == nullptr) return;
    widget->hide();
    widget->setParent(nullptr);
    widget->deleteLater();
}

// A new kit widget named after its key.
template <class W>
W* named(const std::string& key) {
    auto* widget = new W;
    widget->setObjectName(text(key));
    return widget;
}

// Closes the alert box on screen, if there is one, without running its commands.
void discard(QPointer<QMessageBox>& slot, QObject* receiver) {
    if (!slot) return;
    QMessageBox* box = slot.data();
    slot = nullptr;
    box->disconnect(receiver);
    box->close();
    box->deleteLater();
}

struct RowPart {
    Description::CardRow row;
    QWidget* widget = nullptr;  // the widget of the row's kind
};

struct BlockPart {
    Description::Block block;
    QWidget* widget = nullptr;  // the widget of the block's kind
    std::vector<RowPart> rows;  // a section's
};

// Runs commands through the page's perform callback; a copy, so the callback may re-apply.
class Runner {
public:
    explicit Runner(const PageView::Perform* perform) : perform_(perform) {}
    std::function<void()> operator()(PaneCommands commands) const {
        const PageView::Perform* perform = perform_;
        return [perform, commands = std::move(commands)] {
            if (*perform) (*perform)(commands);
        };
    }

private:
    const PageView::Perform* perform_;
};

} // namespace

struct PageView::Parts {
    Perform perform;
    PageDescription page;
    bool applied = false;
    Pane* pane = nullptr;
    std::vector<BlockPart> blocks;
    QPointer<QMessageBox> box;
    std::optional<Description::Alert> alertShown;
    QPointer<QWidget> accessory;
};

PageView::PageView(Perform perform, QWidget* parent) : QWidget(parent), parts_(std::make_unique<Parts>()) {
    parts_->perform = std::move(perform);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    parts_->pane = new Pane(this);
    layout->addWidget(parts_->pane);
}

PageView::~PageView() {
    if (parts_->box) {
        parts_->box->disconnect(this);
        delete parts_->box.data();
    }
}

const PageDescription& PageView::page() const { return parts_->page; }

Pane* PageView::pane() const { return parts_->pane; }

QMessageBox* PageView::alertBox() const { return parts_->box.data(); }

QWidget* PageView::accessory() const { return parts_->accessory.data(); }

QWidget* PageView::blockWidget(const std::string& key) const {
    for (const auto& block : parts_->blocks)
        if (keyOf(block.block) == key) return block.widget;
    return nullptr;
}

QWidget* PageView::rowWidget(const std::string& key) const {
    for (const auto& block : parts_->blocks)
        for (const auto& row : block.rows)
            if (keyOf(row.row) == key) return row.widget;
    return nullptr;
}

QWidget* PageView::controlWidget(const std::string& key) const {
    auto* row = qobject_cast<Row*>(rowWidget(key));
    return row != nullptr ? row->control() : nullptr;
}

namespace {

void fillButton(PaneButton& widget, const Description::Button& button, const Runner& run) {
    widget.setButton(button);
    widget.setAction(run(button.press));
}

// Shows options in a Choice or Segments, whose choosing runs the chosen option's commands.
template <class W>
void fillOptions(W& widget, const std::vector<Description::Option>& from, const Runner& run) {
    std::vector<Choice::Option> options;
    std::vector<std::function<void()>> choose;
    for (const auto& option : from) {
        options.push_back({text(option.title), option.selected});
        choose.push_back(run(option.choose));
    }
    widget.setOptions(options);
    widget.setChosen([choose](int index) {
        if (index >= 0 && static_cast<std::size_t>(index) < choose.size()) choose[static_cast<std::size_t>(index)]();
    });
}

void fillSegments(Segments& widget, const Description::Segments& segments, const Runner& run) {
    widget.setAccessibleName(text(segments.label));
    fillOptions(widget, segments.options, run);
}

// Shows a group's item in a widget made for an item of its kind.
void fillGroupItem(QWidget& widget, const Description::GroupItem& item, const Runner& run) {
    if (const auto* value = std::get_if<Description::Value>(&item))
        static_cast<Value&>(widget).setValue(text(value->text), value->good);
    else if (const auto* button = std::get_if<Description::Button>(&item))
        fillButton(static_cast<PaneButton&>(widget), *button, run);
    else
        fillSegments(static_cast<Segments&>(widget), std::get<Description::Segments>(item), run);
}

QWidget* makeGroupItem(const Description::GroupItem& item, const Runner& run) {
    QWidget* widget = nullptr;
    if (std::holds_alternative<Description::Value>(item)) widget = new Value;
    else if (std::holds_alternative<Description::Button>(item)) widget = new PaneButton;
    else widget = new Segments;
    fillGroupItem(*widget, item, run);
    return widget;
}

// Updates a group's widgets in place when it holds the same kinds of items in the same order;
// false when it must be made anew.
bool updateGroup(QWidget& holder, const Description::Group& group, const Description::Group& old, const Runner& run) {
    if (group.items.size() != old.items.size() || group.spacing != old.spacing) return false;
    for (std::size_t i = 0; i < group.items.size(); ++i)
        if (group.items[i].index() != old.items[i].index()) return false;
    auto* layout = holder.layout();
    for (std::size_t i = 0; i < group.items.size(); ++i)
        fillGroupItem(*layout->itemAt(static_cast<int>(i))->widget(), group.items[i], run);
    return true;
}

QWidget* makeGroup(const Description::Group& group, const Runner& run) {
    auto* holder = new QWidget;
    holder->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(group.spacing);
    for (const auto& item : group.items) layout->addWidget(makeGroupItem(item, run), 0, Qt::AlignVCenter);
    return holder;
}

// Shows control in widget when it is of the kind widget is; false when it is not.
bool updateControl(QWidget* widget, const Description::Control& control, const Description::Control* old,
                   const Runner& run) {
    if (widget == nullptr || old == nullptr || old->index() != control.index()) return false;
    return std::visit(
        [&](const auto& c) -> bool {
            using C = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<C, std::monostate>) {
                return false;
            } else if constexpr (std::is_same_v<C, Description::Value>) {
                static_cast<Value*>(widget)->setValue(text(c.text), c.good);
            } else if constexpr (std::is_same_v<C, Description::Switch>) {
                auto* toggle = static_cast<Switch*>(widget);
                toggle->setOn(c.on);
                toggle->setEnabled(c.enabled);
                auto turnOn = run(c.turnOn);
                auto turnOff = run(c.turnOff);
                toggle->setWanted([turnOn, turnOff](bool wanted) { wanted ? turnOn() : turnOff(); });
            } else if constexpr (std::is_same_v<C, Description::Choice>) {
                fillOptions(*static_cast<Choice*>(widget), c.options, run);
            } else if constexpr (std::is_same_v<C, Description::Button>) {
                fillButton(*static_cast<PaneButton*>(widget), c, run);
            } else if constexpr (std::is_same_v<C, Description::Progress>) {
                static_cast<ProgressColumn*>(widget)->setProgress(c.percent, text(c.left));
            } else if constexpr (std::is_same_v<C, Description::Group>) {
                return updateGroup(*widget, c, std::get<Description::Group>(*old), run);
            }
            return true;
        },
        control);
}

QWidget* makeControl(const Description::Control& control, const Runner& run) {
    QWidget* widget = std::visit(
        [&](const auto& c) -> QWidget* {
            using C = std::decay_t<decltype(c)>;
            if constexpr (std::is_same_v<C, std::monostate>) return nullptr;
            else if constexpr (std::is_same_v<C, Description::Value>) return new Value;
            else if constexpr (std::is_same_v<C, Description::Switch>) return new Switch;
            else if constexpr (std::is_same_v<C, Description::Choice>) return new Choice;
            else if constexpr (std::is_same_v<C, Description::Button>) return new PaneButton;
            else if constexpr (std::is_same_v<C, Description::Progress>) return new ProgressColumn;
            else return makeGroup(c, run);
        },
        control);
    // A fresh widget is filled as an update from an empty control of its own kind.
    if (widget != nullptr && !std::holds_alternative<Description::Group>(control)) {
        Description::Control blank = control;
        std::visit([](auto& c) { c = std::decay_t<decltype(c)>{}; }, blank);
        updateControl(widget, control, &blank, run);
    }
    return widget;
}

void updateRow(Row& row, const Description::Row& now, const Description::Row* old, const Runner& run) {
    row.setTexts(text(now.title), text(now.detail), text(now.info));
    if (old != nullptr && old->control == now.control) return;
    if (!updateControl(row.control(), now.control, old != nullptr ? &old->control : nullptr, run)) {
        QWidget* control = makeControl(now.control, run);
        if (control != nullptr) control->setObjectName(text(now.key + ".control"));
        row.setControl(control);
    }
}

// The parts of parts, moved out for take() to pick from; parts is left empty.
template <class Part>
std::vector<std::optional<Part>> takeAll(std::vector<Part>& parts) {
    std::vector<std::optional<Part>> old(std::make_move_iterator(parts.begin()), std::make_move_iterator(parts.end()));
    parts.clear();
    return old;
}

// Takes the first unused part with this key and kind out of old; none when there is none.
template <class Part, class Item>
std::optional<Part> take(std::vector<std::optional<Part>>& old, const Item& item, auto member) {
    for (auto& part : old) {
        if (!part) continue;
        const auto& was = (*part).*member;
        if (was.index() == item.index() && keyOf(was) == keyOf(item)) {
            std::optional<Part> found = std::move(part);
            part.reset();
            return found;
        }
    }
    return std::nullopt;
}

// Brings one card row's widget to the description; a fresh part has its widget made first.
void applyRow(RowPart& part, bool fresh, const Description::CardRow& row, const Runner& run) {
    const bool changed = fresh || part.row != row;
    std::visit(
        [&](const auto& r) {
            using R = std::decay_t<decltype(r)>;
            if constexpr (std::is_same_v<R, Description::Row>) {
                if (fresh) part.widget = named<Row>(r.key);
                if (changed)
                    updateRow(*static_cast<Row*>(part.widget), r, fresh ? nullptr : &std::get<Description::Row>(part.row), run);
            } else if constexpr (std::is_same_v<R, Description::Link>) {
                if (fresh) part.widget = named<LinkRow>(r.key);
                auto* linkRow = static_cast<LinkRow*>(part.widget);
                linkRow->setTitle(text(r.title));
                if (changed) linkRow->setAction(run(r.open));
            } else if constexpr (std::is_same_v<R, Description::JobLine>) {
                if (fresh) part.widget = named<JobListRow>(r.key);
                auto* jobRow = static_cast<JobListRow*>(part.widget);
                if (changed) {
                    jobRow->setLine(r);
                    jobRow->setAction(run(r.open));
                }
            } else if constexpr (std::is_same_v<R, Description::StepLine>) {
                if (fresh) part.widget = named<StepRow>(r.key);
                if (changed) static_cast<StepRow*>(part.widget)->setLine(r);
            } else if constexpr (std::is_same_v<R, Description::MachineLine>) {
                if (fresh) part.widget = named<MachineRow>(r.key);
                if (changed) static_cast<MachineRow*>(part.widget)->setLine(r);
            } else if constexpr (std::is_same_v<R, Description::CacheHeader>) {
                if (fresh) part.widget = named<CacheHeaderRow>(r.key);
                if (changed) static_cast<CacheHeaderRow*>(part.widget)->setHeader(r);
            } else {
                static_assert(std::is_same_v<R, Description::CacheLine>);
                if (fresh) part.widget = named<CacheRow>(r.key);
                auto* cacheRow = static_cast<CacheRow*>(part.widget);
                if (changed) {
                    cacheRow->setLine(r);
                    cacheRow->clearButton()->setAction(run(r.clear.press));
                }
            }
        },
        row);
    part.row = row;
}

void applyFooter(PaneSection& view, const std::optional<Description::Footer>& footer, const Runner& run) {
    view.setFooterText(footer ? text(footer->text) : QString());
    const bool button = footer && footer->button;
    if (button) fillButton(*view.footerButton(), *footer->button, run);
    view.showFooterButton(button);
}

// Brings a section's header, rows and footer to the description. Rows whose key stays keep their
// widget; the others go.
void applySection(PaneSection& view, std::vector<RowPart>& rows, const Description::Section& section,
                  const Runner& run) {
    view.setHeader(text(section.header), section.header ? text(section.note) : QString());
    auto oldRows = takeAll(rows);
    std::vector<QWidget*> rowWidgets;
    for (const auto& row : section.rows) {
        std::optional<RowPart> kept = take(oldRows, row, &RowPart::row);
        RowPart part = kept ? std::move(*kept) : RowPart{row, nullptr};
        applyRow(part, !kept, row, run);
        rowWidgets.push_back(part.widget);
        rows.push_back(std::move(part));
    }
    view.card()->setRows(rowWidgets);
    for (auto& gone : oldRows)
        if (gone) retire(gone->widget);
    applyFooter(view, section.footer, run);
}

// Brings one block's widget to the description; a fresh part has its widget made first.
void applyBlock(BlockPart& part, bool fresh, const Description::Block& block, const Runner& run) {
    const bool changed = fresh || part.block != block;
    std::visit(
        [&](const auto& b) {
            using B = std::decay_t<decltype(b)>;
            if constexpr (std::is_same_v<B, Description::Section>) {
                if (fresh) part.widget = named<PaneSection>(b.key);
                if (changed) applySection(*static_cast<PaneSection*>(part.widget), part.rows, b, run);
            } else if constexpr (std::is_same_v<B, Description::AppHeader>) {
                if (fresh) part.widget = named<AppHeader>(b.key);
                if (changed) static_cast<AppHeader*>(part.widget)->setTexts(text(b.name), text(b.subtitle));
            } else if constexpr (std::is_same_v<B, Description::Note>) {
                if (fresh) part.widget = named<QuietNote>(b.key);
                static_cast<QuietNote*>(part.widget)->setPlain(text(b.text));
            } else if constexpr (std::is_same_v<B, Description::Summary>) {
                if (fresh) part.widget = named<JobSummaryCard>(b.key);
                if (changed) static_cast<JobSummaryCard*>(part.widget)->setSummary(b);
            } else if constexpr (std::is_same_v<B, Description::StatCards>) {
                if (fresh) part.widget = named<StatCardRow>(b.key);
                if (changed) static_cast<StatCardRow*>(part.widget)->setCards(b.cards);
            } else {
                static_assert(std::is_same_v<B, Description::Log>);
                if (fresh) part.widget = named<LogArea>(b.key);
                if (changed) {
                    auto* area = static_cast<LogArea*>(part.widget);
                    area->setActions(run(b.jumpToEnd), run(b.scrolledAway), run(b.backAtEnd));
                    area->setLog(b);
                }
            }
        },
        block);
}

// The title bar's accessory: a group kept in place while it holds the same kinds of items.
void applyAccessory(Pane& pane, QPointer<QWidget>& shown, const std::optional<Description::Group>& accessory,
                    const std::optional<Description::Group>& old, const Runner& run) {
    if (!accessory) {
        if (shown) pane.setAccessory(nullptr);
        shown = nullptr;
        return;
    }
    if (shown && old && (*accessory == *old || updateGroup(*shown, *accessory, *old, run))) return;
    QWidget* group = makeGroup(*accessory, run);
    group->setObjectName(QStringLiteral("accessory"));
    pane.setAccessory(group);
    shown = group;
}

} // namespace

void PageView::apply(const PageDescription& page) {
    if (parts_->applied && page == parts_->page) return;
    const Runner run(&parts_->perform);
    parts_->pane->setTitle(text(page.title));
    if (page.back) parts_->pane->setBack(run(*page.back));
    else parts_->pane->setBack({});
    applyAccessory(*parts_->pane, parts_->accessory, page.accessory,
                   parts_->applied ? parts_->page.accessory : std::nullopt, run);

    auto oldBlocks = takeAll(parts_->blocks);
    std::vector<QWidget*> blockWidgets;
    for (const auto& block : page.blocks) {
        std::optional<BlockPart> kept = take(oldBlocks, block, &BlockPart::block);
        BlockPart part = kept ? std::move(*kept) : BlockPart{block, nullptr, {}};
        applyBlock(part, !kept, block, run);
        part.block = block;
        blockWidgets.push_back(part.widget);
        parts_->blocks.push_back(std::move(part));
    }
    parts_->pane->setBlocks(blockWidgets);
    for (auto& gone : oldBlocks)
        if (gone) retire(gone->widget);

    parts_->page = page;
    parts_->applied = true;
    showAlert();
}

void PageView::showAlert() {
    const auto& alert = parts_->page.alert;
    if (!alert) {
        parts_->alertShown.reset();
        discard(parts_->box, this);
        return;
    }
    if (parts_->alertShown && *parts_->alertShown == *alert) return;
    discard(parts_->box, this);
    parts_->alertShown = alert;

    auto* box = new QMessageBox(this);
    box->setWindowTitle(QStringLiteral("Quillmarsh"));
    box->setIcon(QMessageBox::Warning);
    box->setTextFormat(Qt::PlainText);
    box->setText(text(alert->title));
    box->setInformativeText(text(alert->message));
    // The box reads its informative text as markup when it looks like markup; none of its labels
    // may.
    for (auto* label : box->findChildren<QLabel*>()) label->setTextFormat(Qt::PlainText);
    box->setWindowModality(Qt::WindowModal);

    auto* confirm = new PaneButton;
    confirm->setButton(alert->confirm);
    confirm->setLook(text(alert->confirm.title), PaneButton::Style::destructive);
    confirm->setObjectName(QStringLiteral("alert.confirm"));
    auto* cancel = new PaneButton;
    cancel->setButton(alert->cancel);
    cancel->setObjectName(QStringLiteral("alert.cancel"));
    box->addButton(confirm, QMessageBox::AcceptRole);
    box->addButton(cancel, QMessageBox::RejectRole);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);

    const Description::Button confirmButton = alert->confirm;
    const Description::Button cancelButton = alert->cancel;
    connect(box, &QDialog::finished, this, [this, box, confirm, confirmButton, cancelButton] {
        // Either button, Escape or closing the box: the box goes first, so commands that apply a
        // page without the alert find nothing left to close.
        const bool confirmed = box->clickedButton() == confirm;
        if (parts_->box == box) parts_->box = nullptr;
        box->disconnect(this);
        box->deleteLater();
        const PaneCommands& commands = confirmed ? confirmButton.press : cancelButton.press;
        if (parts_->perform) {
            const Perform perform = parts_->perform;
            perform(commands);
        }
    });
    parts_->box = box;
    box->open();
}

} // namespace quillmarsh
