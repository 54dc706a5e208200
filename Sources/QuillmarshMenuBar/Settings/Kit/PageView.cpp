#include "Settings/Kit/PageView.h"

#include "Settings/Kit/AppHeader.h"
#include "Settings/Kit/Card.h"
#include "Settings/Kit/Choice.h"
#include "Settings/Kit/LinkRow.h"
#include "Settings/Kit/Pane.h"
#include "Settings/Kit/PaneButton.h"
#include "Settings/Kit/PaneSection.h"
#include "Settings/Kit/ProgressColumn.h"
#include "Settings/Kit/Row.h"
#include "Settings/Kit/Switch.h"
#include "Settings/Kit/Value.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QVBoxLayout>

#include <algorithm>

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

} // namespace

struct PageView::Parts {
    struct RowPart {
        Description::CardRow row;
        QWidget* widget = nullptr;  // Row or LinkRow
    };
    struct BlockPart {
        Description::Block block;
        QWidget* widget = nullptr;  // PaneSection or AppHeader
        std::vector<RowPart> rows;
    };

    Perform perform;
    PageDescription page;
    bool applied = false;
    Pane* pane = nullptr;
    std::vector<BlockPart> blocks;
    QPointer<QMessageBox> box;
    std::optional<Description::Alert> alertShown;
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

void fillButton(PaneButton& widget, const Description::Button& button, const Runner& run) {
    widget.setButton(button);
    widget.setAction(run(button.press));
}

QWidget* makeGroupItem(const Description::GroupItem& item, const Runner& run) {
    if (const auto* value = std::get_if<Description::Value>(&item)) {
        auto* widget = new Value;
        widget->setValue(text(value->text), value->good);
        return widget;
    }
    auto* widget = new PaneButton;
    fillButton(*widget, std::get<Description::Button>(item), run);
    return widget;
}

// Updates a group's widgets in place when it holds the same kinds of items in the same order;
// false when it must be made anew.
bool updateGroup(QWidget& holder, const Description::Group& group, const Description::Group& old, const Runner& run) {
    if (group.items.size() != old.items.size() || group.spacing != old.spacing) return false;
    for (std::size_t i = 0; i < group.items.size(); ++i)
        if (group.items[i].index() != old.items[i].index()) return false;
    auto* layout = holder.layout();
    for (std::size_t i = 0; i < group.items.size(); ++i) {
        QWidget* widget = layout->itemAt(static_cast<int>(i))->widget();
        if (const auto* value = std::get_if<Description::Value>(&group.items[i]))
            static_cast<Value*>(widget)->setValue(text(value->text), value->good);
        else
            fillButton(*static_cast<PaneButton*>(widget), std::get<Description::Button>(group.items[i]), run);
    }
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
                auto* choice = static_cast<Choice*>(widget);
                std::vector<Choice::Option> options;
                std::vector<std::function<void()>> choose;
                for (const auto& option : c.options) {
                    options.push_back({text(option.title), option.selected});
                    choose.push_back(run(option.choose));
                }
                choice->setOptions(options);
                choice->setChosen([choose](int index) {
                    if (index >= 0 && static_cast<std::size_t>(index) < choose.size()) choose[static_cast<std::size_t>(index)]();
                });
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

void updateRow(Row& row, const Description::Row& now, const Description::Row* old, const std::string& key,
               const Runner& run) {
    row.setTexts(text(now.title), text(now.detail), text(now.info));
    if (old != nullptr && old->control == now.control) return;
    if (!updateControl(row.control(), now.control, old != nullptr ? &old->control : nullptr, run)) {
        QWidget* control = makeControl(now.control, run);
        if (control != nullptr) control->setObjectName(QString::fromStdString(key + ".control"));
        row.setControl(control);
    }
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

} // namespace

void PageView::apply(const PageDescription& page) {
    if (parts_->applied && page == parts_->page) return;
    const Runner run(&parts_->perform);
    parts_->pane->setTitle(text(page.title));

    std::vector<std::optional<Parts::BlockPart>> oldBlocks(std::make_move_iterator(parts_->blocks.begin()),
                                                           std::make_move_iterator(parts_->blocks.end()));
    parts_->blocks.clear();
    std::vector<QWidget*> blockWidgets;

    for (const auto& block : page.blocks) {
        std::optional<Parts::BlockPart> kept = take(oldBlocks, block, &Parts::BlockPart::block);
        Parts::BlockPart part = kept ? std::move(*kept) : Parts::BlockPart{block, nullptr, {}};
        const bool fresh = !kept;

        if (const auto* header = std::get_if<Description::AppHeader>(&block)) {
            if (fresh) {
                part.widget = new AppHeader;
                part.widget->setObjectName(text(header->key));
            }
            if (fresh || part.block != block) static_cast<AppHeader*>(part.widget)->setTexts(text(header->name), text(header->subtitle));
        } else {
            const auto& section = std::get<Description::Section>(block);
            if (fresh) {
                part.widget = new PaneSection;
                part.widget->setObjectName(text(section.key));
            }
            auto* view = static_cast<PaneSection*>(part.widget);
            const auto* was = fresh ? nullptr : std::get_if<Description::Section>(&part.block);
            if (fresh || *was != section) {
                view->setHeader(text(section.header), section.header ? text(section.note) : QString());

                std::vector<std::optional<Parts::RowPart>> oldRows(std::make_move_iterator(part.rows.begin()),
                                                                   std::make_move_iterator(part.rows.end()));
                part.rows.clear();
                std::vector<QWidget*> rowWidgets;
                for (const auto& row : section.rows) {
                    std::optional<Parts::RowPart> keptRow = take(oldRows, row, &Parts::RowPart::row);
                    Parts::RowPart rowPart = keptRow ? std::move(*keptRow) : Parts::RowPart{row, nullptr};
                    const bool freshRow = !keptRow;
                    if (const auto* settings = std::get_if<Description::Row>(&row)) {
                        if (freshRow) {
                            rowPart.widget = new Row;
                            rowPart.widget->setObjectName(text(settings->key));
                        }
                        if (freshRow || rowPart.row != row)
                            updateRow(*static_cast<Row*>(rowPart.widget), *settings,
                                      freshRow ? nullptr : &std::get<Description::Row>(rowPart.row), settings->key, run);
                    } else {
                        const auto& link = std::get<Description::Link>(row);
                        if (freshRow) {
                            rowPart.widget = new LinkRow;
                            rowPart.widget->setObjectName(text(link.key));
                        }
                        auto* linkRow = static_cast<LinkRow*>(rowPart.widget);
                        linkRow->setTitle(text(link.title));
                        if (freshRow || rowPart.row != row) linkRow->setAction(run(link.open));
                    }
                    rowPart.row = row;
                    rowWidgets.push_back(rowPart.widget);
                    part.rows.push_back(std::move(rowPart));
                }
                view->card()->setRows(rowWidgets);
                for (auto& gone : oldRows)
                    if (gone) retire(gone->widget);

                if (section.footer) {
                    view->setFooterText(text(section.footer->text));
                    if (section.footer->button) {
                        PaneButton* button = view->footerButton();
                        fillButton(*button, *section.footer->button, run);
                        view->showFooterButton(true);
                    } else {
                        view->showFooterButton(false);
                    }
                } else {
                    view->showFooterButton(false);
                    view->setFooterText(QString());
                }
            }
        }
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
        if (parts_->box) {
            QMessageBox* box = parts_->box.data();
            parts_->box = nullptr;
            box->disconnect(this);
            box->close();
            box->deleteLater();
        }
        return;
    }
    if (parts_->alertShown && *parts_->alertShown == *alert) return;
    if (parts_->box) {
        QMessageBox* box = parts_->box.data();
        parts_->box = nullptr;
        box->disconnect(this);
        box->close();
        box->deleteLater();
    }
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
