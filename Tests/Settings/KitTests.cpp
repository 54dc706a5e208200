#include "Settings/Kit/Card.h"
#include "Settings/Kit/Choice.h"
#include "Settings/Kit/LinkRow.h"
#include "Settings/Kit/PageView.h"
#include "Settings/Kit/Pane.h"
#include "Settings/Kit/Palette.h"
#include "Settings/Kit/PaneButton.h"
#include "Settings/Kit/PaneSection.h"
#include "Settings/Kit/ProgressColumn.h"
#include "Settings/Kit/QuietNote.h"
#include "Settings/Kit/Row.h"
#include "Settings/Kit/Segments.h"
#include "Settings/Kit/Switch.h"
#include "Settings/Kit/SymbolView.h"
#include "Settings/Kit/TextField.h"
#include "Settings/Kit/ToneLabel.h"
#include "Settings/Kit/Value.h"
#include "Settings/Rendering.h"
#include "Settings/Palettes.h"
#include "Settings/Rows/LogArea.h"
#include "Support/TestApplication.h"

#include <QMenu>
#include <QToolButton>
#include <QMessageBox>
#include <QPointer>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace quillmarsh::test {
namespace {

using D = PageDescription;

PaneCommands link(const std::string& url) { return {PaneCommand::OpenLink{url}}; }

D::Row row(std::string key, std::string title, D::Control control = {}) {
    D::Row r;
    r.key = std::move(key);
    r.title = std::move(title);
    r.control = std::move(control);
    return r;
}

D::Section section(std::string key, std::vector<D::CardRow> rows) {
    D::Section s;
    s.key = std::move(key);
    s.header = "Header";
    s.rows = std::move(rows);
    return s;
}

D described(std::vector<D::CardRow> rows) {
    D p;
    p.title = "General";
    p.blocks = {section("main", std::move(rows))};
    return p;
}

// A page view on real widgets that records every use of its controls.
struct Page {
    Page() : view([this](const PaneCommands& commands) { performed.push_back(commands); }) { view.resize(700, 600); }
    template <class W>
    W* control(const std::string& key) const {
        return qobject_cast<W*>(view.controlWidget(key));
    }
    bool app = (ensureApp(), true);  // before any widget
    std::vector<PaneCommands> performed;
    PageView view;
};

void deletePending() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

TEST(KitSwitch, AClickAsksForTheOtherValueAndShowsOnlyWhatTheNextApplyGives) {
    Page page;
    const D::Switch off{false, true, link("on"), link("off")};
    page.view.apply(described({row("notify", "Notify", off)}));
    auto* toggle = page.control<Switch>("notify");
    ASSERT_NE(toggle, nullptr);

    click(toggle);
    ASSERT_EQ(page.performed.size(), 1u);
    EXPECT_EQ(page.performed[0], link("on"));
    EXPECT_FALSE(toggle->isOn());

    D::Switch on = off;
    on.on = true;
    page.view.apply(described({row("notify", "Notify", on)}));
    EXPECT_EQ(page.control<Switch>("notify"), toggle);
    EXPECT_TRUE(toggle->isOn());
    click(toggle);
    EXPECT_EQ(page.performed.back(), link("off"));

    D::Switch disabled = on;
    disabled.enabled = false;
    page.view.apply(described({row("notify", "Notify", disabled)}));
    click(toggle);
    EXPECT_EQ(page.performed.size(), 2u);
}

TEST(KitPageView, KeyedRowsKeepTheirWidgetsAcrossChangesAndGoneOnesAreDeleted) {
    Page page;
    page.view.apply(described({row("a", "First", D::Value{"1", false}), row("b", "Second"), row("c", "Third")}));
    QPointer<QWidget> a = page.view.rowWidget("a");
    QPointer<QWidget> b = page.view.rowWidget("b");
    QPointer<QWidget> c = page.view.rowWidget("c");
    QWidget* section = page.view.blockWidget("main");
    auto* value = page.control<Value>("a");
    ASSERT_TRUE(a && b && c && value);
    EXPECT_EQ(a->objectName(), "a");

    // Texts change, b goes, d comes first, c and a swap.
    page.view.apply(described({row("d", "New"), row("c", "Third, renamed"), row("a", "First", D::Value{"2", true})}));
    deletePending();
    EXPECT_EQ(page.view.rowWidget("a"), a.data());
    EXPECT_EQ(page.view.rowWidget("c"), c.data());
    EXPECT_EQ(page.view.blockWidget("main"), section);
    EXPECT_EQ(page.control<Value>("a"), value);
    EXPECT_EQ(value->text(), "2");
    EXPECT_TRUE(value->isGood());
    EXPECT_EQ(static_cast<Row*>(c.data())->titleLabel()->text(), "Third, renamed");
    EXPECT_TRUE(b.isNull());
    EXPECT_EQ(page.view.rowWidget("b"), nullptr);
    auto* card = static_cast<PaneSection*>(section)->card();
    ASSERT_EQ(card->rows().size(), 3u);
    EXPECT_EQ(card->rows()[0], page.view.rowWidget("d"));
    EXPECT_EQ(card->rows()[1], c.data());
    EXPECT_EQ(card->rows()[2], a.data());

    // A control of another kind replaces the old one; the row stays.
    QPointer<QWidget> oldValue = value;
    page.view.apply(described({row("d", "New"), row("c", "Third, renamed"), row("a", "First", D::Progress{5, ""})}));
    deletePending();
    EXPECT_EQ(page.view.rowWidget("a"), a.data());
    EXPECT_TRUE(oldValue.isNull());
    EXPECT_NE(page.control<ProgressColumn>("a"), nullptr);

    // A dropped section goes with its rows.
    D empty;
    empty.title = "General";
    page.view.apply(empty);
    deletePending();
    EXPECT_TRUE(a.isNull());
    EXPECT_EQ(page.view.blockWidget("main"), nullptr);
}

TEST(KitPageView, AnEqualDescriptionChangesNothing) {
    Page page;
    const D description = described({row("a", "Title", D::Value{"x", false})});
    page.view.apply(description);
    auto* title = static_cast<Row*>(page.view.rowWidget("a"))->titleLabel();
    // A text set behind the view's back stays: an equal description touches no widget.
    title->setText("changed by hand");
    page.view.apply(description);
    EXPECT_EQ(title->text(), "changed by hand");
    EXPECT_EQ(page.view.page(), description);
}

// The title bar's back button and accessory follow the description: kept in place while the
// accessory holds the same kinds of controls, made anew when they change, gone when none.
TEST(KitPageView, BackButtonAndAccessoryFollowTheDescription) {
    Page page;
    D p = described({});
    p.back = link("back");
    D::Segments show{"Show", {{"All", true, link("all")}, {"Failed", false, link("failed")}}};
    p.accessory = D::Group{{show, D::button("Open\u2026", link("open"))}, 12};
    page.view.apply(p);
    QToolButton* back = page.view.pane()->backButton();
    EXPECT_FALSE(back->isHidden());
    back->click();
    ASSERT_EQ(page.performed.size(), 1u);
    EXPECT_EQ(page.performed[0], link("back"));
    QPointer<QWidget> accessory = page.view.accessory();
    ASSERT_TRUE(accessory);
    auto* segments = accessory->findChild<Segments*>();
    ASSERT_NE(segments, nullptr);
    EXPECT_EQ(segments->accessibleName(), "Show");
    EXPECT_EQ(segments->options().size(), 2u);

    // The other segment selected: the same widgets show it.
    std::get<D::Segments>(p.accessory->items[0]).options[0].selected = false;
    std::get<D::Segments>(p.accessory->items[0]).options[1].selected = true;
    page.view.apply(p);
    EXPECT_EQ(page.view.accessory(), accessory.data());
    EXPECT_TRUE(segments->options()[1].selected);

    // Other kinds of controls: a new accessory; none and no back: both go.
    p.accessory = D::Group{{D::button("Clear All\u2026", link("clear"))}, 8};
    page.view.apply(p);
    deletePending();
    EXPECT_TRUE(accessory.isNull());
    ASSERT_NE(page.view.accessory(), nullptr);
    EXPECT_EQ(page.view.accessory()->findChild<PaneButton*>()->title(), "Clear All\u2026");
    p.accessory.reset();
    p.back.reset();
    page.view.apply(p);
    EXPECT_EQ(page.view.accessory(), nullptr);
    EXPECT_TRUE(back->isHidden());
}

// Notes, logs and sections are blocks like any other: kept by key, their widgets of their kind.
TEST(KitPageView, NotesAndLogsAreKeyedBlocks) {
    Page page;
    D p;
    p.title = "Jobs";
    p.blocks = {D::Note{"note", "The <b>agent</b> is not running."}};
    page.view.apply(p);
    auto* note = qobject_cast<QuietNote*>(page.view.blockWidget("note"));
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->text(), "The <b>agent</b> is not running.");
    EXPECT_EQ(note->textFormat(), Qt::PlainText);

    D::Log log;
    log.key = "log";
    log.title = "Runner log";
    log.text = "one\n";
    p.blocks = {D::Note{"note", "Other text"}, log};
    page.view.apply(p);
    EXPECT_EQ(page.view.blockWidget("note"), note);
    EXPECT_EQ(note->text(), "Other text");
    QPointer<LogArea> area = qobject_cast<LogArea*>(page.view.blockWidget("log"));
    ASSERT_TRUE(area);
    log.text = "one\ntwo\n";
    p.blocks = {log};
    page.view.apply(p);
    EXPECT_EQ(page.view.blockWidget("log"), area.data()) << "the log keeps its view";
}

TEST(KitChoice, LabelAndCheckmarkFollowTheSelectedOptionAndChoosingSelectsNothing) {
    Page page;
    const D::Choice none{{{"Primary", false, link("primary")}, {"Secondary", false, link("secondary")}}};
    page.view.apply(described({row("mode", "Mode", none)}));
    auto* choice = page.control<Choice>("mode");
    ASSERT_NE(choice, nullptr);
    EXPECT_EQ(choice->label(), "");
    const auto actions = choice->optionsMenu()->actions();
    ASSERT_EQ(actions.size(), 2);
    for (QAction* action : actions) EXPECT_TRUE(action->icon().isNull()) << action->text().toStdString();

    actions[1]->trigger();
    ASSERT_EQ(page.performed.size(), 1u);
    EXPECT_EQ(page.performed[0], link("secondary"));
    EXPECT_EQ(choice->label(), "");

    D::Choice second = none;
    second.options[1].selected = true;
    page.view.apply(described({row("mode", "Mode", second)}));
    EXPECT_EQ(page.control<Choice>("mode"), choice);
    EXPECT_EQ(choice->label(), "Secondary");
    EXPECT_TRUE(choice->optionsMenu()->actions()[0]->icon().isNull());
    EXPECT_FALSE(choice->optionsMenu()->actions()[1]->icon().isNull());
}

// Counted in the drawn card: down its middle, inside the border, every pixel not of the card's
// fill is a rule.
TEST(KitCard, RulesStandOnlyBetweenRows) {
    ensureApp();
    for (int rows : {0, 1, 3}) {
        Card card;
        card.setPalette(lightPalette());
        std::vector<QWidget*> widgets;
        for (int i = 0; i < rows; ++i) {
            widgets.push_back(new QWidget);
            widgets.back()->setFixedHeight(20);
        }
        card.setRows(widgets);
        card.resize(100, std::max(20, rows * 21 - 1));
        const auto image = Rendering::bitmap(card, 1.0);
        ASSERT_TRUE(image);
        const QColor fill = Palette::card(card.palette());
        int ruled = 0;
        for (int y = 2; y < image->height() - 2; ++y)
            if (image->pixelColor(50, y) != fill) ++ruled;
        EXPECT_EQ(ruled, std::max(0, rows - 1)) << rows << " rows";
    }
}

TEST(KitRow, EmptyDetailAndInfoShowNothingAndTextsAreNeverMarkup) {
    Page page;
    D::Row empty = row("empty", "<b>x</b>");
    empty.detail = "";
    empty.info = "";
    D::Row full = row("full", "Title");
    full.detail = "<i>detail</i>";
    full.info = "<u>more</u>";
    page.view.apply(described({empty, full}));

    auto* shown = static_cast<Row*>(page.view.rowWidget("empty"));
    EXPECT_EQ(shown->titleLabel()->text(), "<b>x</b>");
    EXPECT_EQ(shown->titleLabel()->textFormat(), Qt::PlainText);
    EXPECT_TRUE(shown->detailLabel()->isHidden());
    EXPECT_TRUE(shown->infoMark()->isHidden());

    auto* other = static_cast<Row*>(page.view.rowWidget("full"));
    EXPECT_FALSE(other->detailLabel()->isHidden());
    EXPECT_EQ(other->detailLabel()->text(), "<i>detail</i>");
    EXPECT_FALSE(other->infoMark()->isHidden());
    EXPECT_FALSE(other->infoMark()->toolTip().isEmpty());
    for (auto* label : page.view.findChildren<QLabel*>()) EXPECT_EQ(label->textFormat(), Qt::PlainText);
}

TEST(KitRow, ALongDetailWrapsAndMakesTheRowTaller) {
    Page page;
    D::Row shortRow = row("short", "Title");
    shortRow.detail = "Short";
    D::Row longRow = row("long", "Title");
    longRow.detail = std::string(60, 'w') + " " + std::string(60, 'w') + " " + std::string(60, 'w');
    page.view.apply(described({shortRow, longRow}));
    page.view.show();
    QCoreApplication::processEvents();
    auto* tall = static_cast<Row*>(page.view.rowWidget("long"));
    EXPECT_GT(tall->height(), page.view.rowWidget("short")->height());
    EXPECT_LE(tall->detailLabel()->width(), Row::textWidth);
    EXPECT_GE(tall->detailLabel()->height(), tall->detailLabel()->heightForWidth(tall->detailLabel()->width()));
}

TEST(KitRow, TextsKeepToTheLeadingEdgeWithOrWithoutAControl) {
    // A row wider than its text column: without a control the room left over must not centre
    // the texts (a note such as "Needs agent 0.1.36" in a wide card).
    ensureApp();
    for (const bool withControl : {false, true}) {
        Row row;
        row.setTexts(QStringLiteral("Needs agent 0.1.36"), {}, {});
        if (withControl) row.setControl(new QLabel(QStringLiteral("2")));
        row.resize(Row::textWidth + 300, 44);
        Rendering::layOut(row);
        EXPECT_EQ(row.titleLabel()->mapTo(&row, QPoint()).x(), 14) << withControl;
    }
}

// A message alone in its row (a failed read, in the Steps card) has no control to keep near: it
// runs the row's width and wraps only where that is too narrow. With a control, or under a
// detail, the 420-wide column holds.
TEST(KitRow, AMessageAloneTakesTheRowsWidthBeforeItWraps) {
    ensureApp();
    const QString message =
        QStringLiteral("GitHub did not answer in time, so the steps of this job cannot be shown yet.");
    struct Case {
        bool control;
        bool detail;
        bool oneLine;
    };
    for (const Case c : {Case{false, false, true}, Case{true, false, false}, Case{false, true, false}}) {
        SCOPED_TRACE(testing::Message() << "control " << c.control << ", detail " << c.detail);
        Row row;
        row.setTexts(message, c.detail ? QStringLiteral("Detail") : QString(), {});
        if (c.control) row.setControl(new QLabel(QStringLiteral("2")));
        row.resize(860, 120);
        Rendering::layOut(row);
        ToneLabel* title = row.titleLabel();
        const int oneLine = title->fontMetrics().horizontalAdvance(message);
        ASSERT_GT(oneLine, Row::textWidth);
        ASSERT_LT(oneLine, 860 - 28);
        const int lines = title->heightForWidth(title->width()) / title->fontMetrics().lineSpacing();
        EXPECT_EQ(lines == 1, c.oneLine) << lines;
        if (!c.oneLine) {
            EXPECT_LE(title->width(), Row::textWidth);
        }
    }
}

TEST(KitProgressColumn, ClampsItsPercent) {
    ensureApp();
    ProgressColumn column;
    for (const auto& [given, shown] : std::vector<std::pair<int, int>>{{-5, 0}, {0, 0}, {42, 42}, {100, 100}, {130, 100}}) {
        column.setProgress(given, "left");
        EXPECT_EQ(column.shownPercent(), shown) << given;
    }
}

TEST(KitLinkRow, AClickRunsItsCommandsAlsoWithoutAnAddress) {
    Page page;
    const PaneCommands nowhere = {PaneCommand::OpenLink{std::nullopt}};
    page.view.apply(described({D::Link{"docs", "How It Works", nowhere}}));
    auto* linkRow = qobject_cast<LinkRow*>(page.view.rowWidget("docs"));
    ASSERT_NE(linkRow, nullptr);
    EXPECT_EQ(linkRow->title(), "How It Works");
    click(linkRow);
    ASSERT_EQ(page.performed.size(), 1u);
    EXPECT_EQ(page.performed[0], nowhere);
}

TEST(KitButton, CarriesOutItsDescription) {
    Page page;
    D::Button button{"Clear & Go", D::Button::Style::prominent, true, "<b>help</b>", link("clear")};
    page.view.apply(described({row("clear", "Caches", button)}));
    auto* pushed = page.control<PaneButton>("clear");
    ASSERT_NE(pushed, nullptr);
    EXPECT_EQ(pushed->title(), "Clear & Go");
    EXPECT_EQ(pushed->style(), D::Button::Style::prominent);
    EXPECT_TRUE(pushed->toolTip().contains("&lt;b&gt;"));
    click(pushed);
    ASSERT_EQ(page.performed.size(), 1u);
    EXPECT_EQ(page.performed[0], link("clear"));

    button.enabled = false;
    page.view.apply(described({row("clear", "Caches", button)}));
    EXPECT_EQ(page.control<PaneButton>("clear"), pushed);
    click(pushed);
    EXPECT_EQ(page.performed.size(), 1u);
}

D withAlert(D description) {
    D::Alert alert;
    alert.key = "clear";
    alert.title = "Clear the package caches on this Mac?";
    alert.message = "<b>Jobs</b> download their packages again next time.";
    alert.confirm = D::Button{"Clear Caches", D::Button::Style::destructive, true, "", link("confirm")};
    alert.cancel = D::Button{"Cancel", D::Button::Style::standard, true, "", link("cancel")};
    description.alert = alert;
    return description;
}

TEST(KitAlert, OpensWhileDescribedAndItsButtonsRunTheirCommands) {
    Page page;
    const D plain = described({row("a", "A")});
    page.view.apply(withAlert(plain));
    QPointer<QMessageBox> box = page.view.alertBox();
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    EXPECT_EQ(box->text(), "Clear the package caches on this Mac?");
    for (auto* label : box->findChildren<QLabel*>()) EXPECT_EQ(label->textFormat(), Qt::PlainText);

    // The same alert again keeps the box.
    page.view.apply(withAlert(plain));
    EXPECT_EQ(page.view.alertBox(), box.data());

    auto* confirm = box->findChild<PaneButton*>("alert.confirm");
    ASSERT_NE(confirm, nullptr);
    EXPECT_EQ(confirm->style(), D::Button::Style::destructive);
    confirm->click();
    ASSERT_EQ(page.performed.size(), 1u);
    EXPECT_EQ(page.performed[0], link("confirm"));
    page.view.apply(plain);
    deletePending();
    EXPECT_TRUE(box.isNull());

    // Closed with Escape: cancel's commands.
    page.view.apply(withAlert(plain));
    box = page.view.alertBox();
    ASSERT_TRUE(box);
    box->reject();
    ASSERT_EQ(page.performed.size(), 2u);
    EXPECT_EQ(page.performed[1], link("cancel"));
}

TEST(KitAlert, DroppingTheAlertClosesTheBoxAndRunsNothing) {
    Page page;
    const D plain = described({row("a", "A")});
    page.view.apply(withAlert(plain));
    QPointer<QMessageBox> box = page.view.alertBox();
    ASSERT_TRUE(box);
    page.view.apply(plain);
    EXPECT_EQ(page.view.alertBox(), nullptr);
    deletePending();
    EXPECT_TRUE(box.isNull());
    EXPECT_TRUE(page.performed.empty());
}

TEST(KitPalette, EveryColourButTheLogTextDiffersBetweenDarkAndLight) {
    ensureApp();
    const QPalette dark = darkPalette();
    const QPalette light = lightPalette();
    for (auto colour : {&Palette::content, &Palette::card, &Palette::hairline, &Palette::good, &Palette::warning,
                        &Palette::logBackground})
        EXPECT_NE(colour(dark), colour(light));
}

TEST(KitPalette, LabelsRecolourWhenThePaletteChanges) {
    Page page;
    page.view.apply(described({row("a", "A", D::Value{"ok", true})}));
    auto* value = page.control<Value>("a");
    page.view.setPalette(lightPalette());
    const QColor light = value->palette().color(QPalette::Text);
    page.view.setPalette(darkPalette());
    const QColor dark = value->palette().color(QPalette::Text);
    EXPECT_EQ(light, Palette::good(lightPalette()));
    EXPECT_EQ(dark, Palette::good(darkPalette()));
}

// WCAG 2 relative luminance of an opaque sRGB colour.
double luminance(const QColor& colour) {
    const auto linear = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) + 0.0722 * linear(colour.blueF());
}

// WCAG 2 contrast ratio of two opaque colours, from 1 to 21.
double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A colour with alpha laid over an opaque one.
QColor over(const QColor& top, const QColor& ground) {
    const double a = top.alphaF();
    const auto mix = [a](double t, double g) { return t * a + g * (1 - a); };
    return QColor::fromRgbF(static_cast<float>(mix(top.redF(), ground.redF())),
                            static_cast<float>(mix(top.greenF(), ground.greenF())),
                            static_cast<float>(mix(top.blueF(), ground.blueF())));
}

TEST(KitPalette, DisabledTextAndFillsReadAtLeastThreeToOneOnEveryGround) {
    ensureApp();
    for (const QPalette& look : {lightPalette(), darkPalette()}) {
        SCOPED_TRACE(Palette::isDark(look) ? "dark" : "light");
        const QColor content = Palette::content(look);
        const QColor card = Palette::card(look);
        const std::vector<std::pair<const char*, QColor>> grounds = {
            {"page", content},
            {"card", card},
            {"control on a card", over(Palette::control(look), card)},
            {"control on the page", over(Palette::control(look), content)},
        };
        for (const auto& [name, ground] : grounds) {
            SCOPED_TRACE(name);
            EXPECT_EQ(Palette::disabledText(look).alpha(), 255);
            EXPECT_GE(contrast(Palette::disabledText(look), ground), 3.0);
        }
        EXPECT_EQ(Palette::disabledFill(look).alpha(), 255);
        EXPECT_GE(contrast(Palette::disabledFill(look), content), 3.0);
        EXPECT_GE(contrast(Palette::disabledFill(look), card), 3.0);
        EXPECT_GE(contrast(Palette::disabledFill(look), Qt::white), 3.0) << "white on the selected segment";
    }
}

// The strongest contrast any pixel of the control, drawn disabled on a card, has against the
// card: its title, label or value must read at least 3:1, as in an enabled control.
double strongestInkDisabled(QWidget& control, const QPalette& look) {
    control.setPalette(look);
    control.setEnabled(false);
    control.resize(control.sizeHint());
    Rendering::layOut(control);
    const QColor ground = Palette::card(look);
    QImage image(control.size() * 2, QImage::Format_RGB32);
    image.setDevicePixelRatio(2);
    image.fill(ground);
    {
        QPainter painter(&image);
        control.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    }
    double strongest = 1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) strongest = std::max(strongest, contrast(image.pixelColor(x, y), ground));
    return strongest;
}

TEST(KitDisabled, EveryControlStaysReadableWhenDisabled) {
    ensureApp();
    using Make = std::function<std::unique_ptr<QWidget>()>;
    const auto button = [](PaneButton::Style style) -> Make {
        return [style] {
            auto made = std::make_unique<PaneButton>();
            made->setLook(QStringLiteral("Check for Updates\u2026"), style);
            return made;
        };
    };
    const std::vector<std::pair<const char*, Make>> controls = {
        {"standard button", button(PaneButton::Style::standard)},
        {"prominent button", button(PaneButton::Style::prominent)},
        {"destructive button", button(PaneButton::Style::destructive)},
        {"link button", button(PaneButton::Style::link)},
        {"plain button", button(PaneButton::Style::plain)},
        {"choice",
         [] {
             auto made = std::make_unique<Choice>();
             made->setOptions({{QStringLiteral("When plugged in"), true}, {QStringLiteral("Always"), false}});
             return made;
         }},
        {"segments",
         [] {
             auto made = std::make_unique<Segments>();
             made->setOptions({{QStringLiteral("Primary"), true}, {QStringLiteral("Backup"), false}});
             return made;
         }},
        {"switch that is on",
         [] {
             auto made = std::make_unique<Switch>();
             made->setOn(true);
             return made;
         }},
        {"text field",
         [] {
             auto made = std::make_unique<TextField>();
             made->setField(QStringLiteral("GitHub account"), 150, QStringLiteral("Account"));
             made->setText(QStringLiteral("octocat"));
             return made;
         }},
    };
    for (const QPalette& look : {lightPalette(), darkPalette()}) {
        for (const auto& [name, make] : controls) {
            SCOPED_TRACE(std::string(name) + (Palette::isDark(look) ? ", dark" : ", light"));
            const std::unique_ptr<QWidget> control = make();
            EXPECT_GE(strongestInkDisabled(*control, look), 3.0);
        }
    }
}

// The body's scroller is always there, also on a page that fits; only its thumb waits for
// something to scroll.
TEST(KitPane, TheScrollerShowsOnlyWhenThePageScrolls) {
    ensureApp();
    for (const bool tall : {false, true}) {
        SCOPED_TRACE(tall);
        Pane pane;
        pane.setTitle(QStringLiteral("General"));
        auto* block = new QWidget;
        block->setFixedHeight(tall ? 2000 : 40);
        pane.setBlocks({block});
        pane.resize(670, 640);
        pane.show();
        QCoreApplication::processEvents();
        QScrollBar* bar = pane.scrollArea()->verticalScrollBar();
        EXPECT_EQ(bar->maximum() > 0, tall);
        EXPECT_EQ(bar->isVisible(), tall);
        EXPECT_EQ(pane.scrollArea()->viewport()->width() < pane.scrollArea()->width(), tall)
            << "only a shown track takes room from the page";
    }
}

} // namespace
} // namespace quillmarsh::test
