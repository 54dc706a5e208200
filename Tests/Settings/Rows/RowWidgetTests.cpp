#include "Settings/Kit/Card.h"
#include "Settings/Kit/FittingLabel.h"
#include "Settings/Kit/LineLayout.h"
#include "Settings/Kit/PageView.h"
#include "Settings/Kit/Pill.h"
#include "Settings/Kit/Segments.h"
#include "Settings/Kit/StateIcon.h"
#include "Settings/Kit/TextStyle.h"
#include "Settings/Kit/ToneLabel.h"
#include "Settings/Rendering.h"
#include "Settings/Rows/JobListRow.h"
#include "Settings/Rows/MachineRow.h"
#include "StatusMenu/ElidedLabel.h"
#include "Support/TestApplication.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillmarsh::test {
namespace {

using D = PageDescription;
using Item = LineLayout::Item;

PaneCommands link(const std::string& url) { return {PaneCommand::OpenLink{url}}; }

// A left click at a point of the widget, delivered as the window system would: to the child under
// the pointer, if one takes it.
void clickAt(QWidget* widget, QPoint at) {
    if (QWidget* child = widget->childAt(at)) {
        at = child->mapFrom(widget, at);
        widget = child;
    }
    const QPointF global = widget->mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

void key(QWidget* widget, int code) {
    QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

// The widget laid out at a width, at its own height.
void layOutAt(QWidget& widget, int width) {
    widget.resize(width, widget.sizeHint().height());
    Rendering::layOut(widget);
}

int natural(const QWidget* widget) { return widget->sizeHint().width(); }

// --- The line's share of width ---------------------------------------------------------------

struct DistributeCase {
    const char* what;
    std::vector<Item> items;
    int available;
    std::vector<int> widths;
};

// However long the text, a label keeps a bounded part of it, cut with "…" and never inside a
// surrogate pair; a shorter text stays whole.
TEST(LabelBounds, TheKitsLabelsKeepABoundedTextEndingInAnEllipsis) {
    ensureApp();
    const QString mega(1 << 20, QLatin1Char('x'));
    const QString ellipsis(QChar(0x2026));
    ElidedLabel elided;
    elided.setPlain(mega);
    EXPECT_EQ(elided.text(), mega.left(ElidedLabel::maxLength) + ellipsis);
    EXPECT_FALSE(elided.setPlain(mega)) << "the same long text again changes nothing";
    elided.setParts(mega, mega);
    EXPECT_EQ(elided.text(), mega.left(ElidedLabel::maxLength) + ellipsis + QLatin1Char(' ') +
                                 mega.left(ElidedLabel::maxLength) + ellipsis);
    elided.setPlain(QStringLiteral("short"));
    EXPECT_EQ(elided.text(), QStringLiteral("short"));

    ToneLabel tone(TextStyle::body());
    tone.setWordWrap(true);
    tone.setPlain(mega);
    EXPECT_EQ(tone.text(), mega.left(ToneLabel::maxLength) + ellipsis);

    // A character outside the basic plane across the bound goes as a whole.
    const QString faces = QString(ElidedLabel::maxLength - 1, QLatin1Char('a')) + QString::fromUtf8("\U0001F600\U0001F600");
    EXPECT_EQ(ElidedLabel::bounded(faces), QString(ElidedLabel::maxLength - 1, QLatin1Char('a')) + ellipsis);
}

TEST(LineLayoutDistribute, GivesWayByPriorityAndSharesWhatIsLeft) {
    // Like a job row: repository (3), name (2), meta (0), a 12-px spacer, the trailing time kept whole.
    const Item repository{100, 0, 3, false};
    const Item name{80, 0, 2, false};
    const Item meta{60, 0, 0, false};
    const Item spacer{12, 12, 0, true};
    const Item trailing{40, 40, 4, false};
    const std::vector<Item> row{repository, name, meta, spacer, trailing};
    const std::vector<DistributeCase> cases{
        {"everything fits, the spacer takes the rest", row, 320, {100, 80, 60, 40, 40}},
        {"exactly enough", row, 292, {100, 80, 60, 12, 40}},
        {"meta shrinks first", row, 262, {100, 80, 30, 12, 40}},
        {"then the name", row, 192, {100, 40, 0, 12, 40}},
        {"then the repository", row, 102, {50, 0, 0, 12, 40}},
        {"the spacer and the time never give way", row, 30, {0, 0, 0, 12, 40}},
        {"equal priorities share alike", {{100, 0, 1, false}, {100, 0, 1, false}}, 151, {76, 75}},
        {"a narrower one of equal priority keeps its width",
         {{50, 0, 1, false}, {200, 0, 1, false}},
         150,
         {50, 100}},
        {"minimums hold while sharing", {{100, 70, 1, false}, {100, 0, 1, false}}, 100, {70, 30}},
        {"fillers share the rest",
         {{10, 10, 0, true}, {30, 0, 0, false}, {0, 0, 0, true}},
         51,
         {16, 30, 5}},
        {"without a filler the rest stays unused", {{30, 0, 0, false}}, 80, {30}},
        {"nothing to share", {}, 10, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(LineLayout::distribute(c.items, c.available), c.widths) << c.what;
}

// --- The label that picks the variant that fits ----------------------------------------------

TEST(FittingLabelFitting, PicksTheFirstVariantThatFitsWholeElseTheLast) {
    ensureApp();
    const QFontMetrics metrics(TextStyle::subheadline());
    const std::vector<QString> variants{"Apple M2 Pro, 12 cores, 32 GB memory", "M2 Pro, 32 GB", "M2 Pro"};
    const auto width = [&](int i) { return metrics.horizontalAdvance(variants[static_cast<std::size_t>(i)]) + 1; };
    struct Case {
        int width;
        int index;
    };
    for (const Case& c : std::vector<Case>{{width(0) + 50, 0},
                                          {width(0), 0},
                                          {width(0) - 1, 1},
                                          {width(1), 1},
                                          {width(2), 2},
                                          {width(2) - 1, 2},
                                          {0, 2}})
        EXPECT_EQ(FittingLabel::fitting(variants, metrics, c.width), c.index) << "at " << c.width;
    EXPECT_EQ(FittingLabel::fitting({}, metrics, 500), -1);

    FittingLabel label;
    label.setFont(TextStyle::subheadline());
    label.setVariants(variants);
    EXPECT_EQ(natural(&label), width(0));
    EXPECT_EQ(label.minimumSizeHint().width(), 0);
    label.resize(width(1) + 3, 20);
    EXPECT_EQ(label.shown(), variants[1]);
    label.resize(width(2) - 4, 20);
    EXPECT_TRUE(label.shown().endsWith(QChar(0x2026))) << label.shown().toStdString();
    EXPECT_TRUE(variants[2].startsWith(label.shown().chopped(1)));
}

// --- The state glyph --------------------------------------------------------------------------

QImage drawn(const StateKind& kind) {
    StateIcon icon;
    icon.setKind(kind);
    return *Rendering::bitmap(icon, 2.0);
}

TEST(StateIconDrawing, TheArcIsNeverShorterThanItsFloorAndRunsAThirdWithoutAFraction) {
    ensureApp();
    EXPECT_EQ(StateKind::running(0.01).arcEnd(), 0.08);
    EXPECT_EQ(StateKind::running().arcEnd(), 0.3);
    EXPECT_EQ(drawn(StateKind::running(0.01)), drawn(StateKind::running(0.08)));
    EXPECT_EQ(drawn(StateKind::running()), drawn(StateKind::running(0.3)));
    EXPECT_NE(drawn(StateKind::running(0.3)), drawn(StateKind::running(0.6)));
    EXPECT_NE(drawn(StateKind::running(0.08)), drawn(StateKind::running(0.2)));
}

TEST(StateIconDrawing, EveryKindDrawsSomethingOfItsOwnAndAStoppedJobLooksCancelled) {
    ensureApp();
    EXPECT_EQ(StateKind::of(JobState::stopped()), StateKind::cancelled());
    EXPECT_EQ(StateKind::of(JobState::starting()), StateKind::running());
    const std::vector<StateKind> kinds{StateKind::running(0.5), StateKind::pending(),   StateKind::succeeded(),
                                       StateKind::failed(),     StateKind::cancelled(), StateKind::skipped()};
    QImage blank(32, 32, QImage::Format_RGBA8888_Premultiplied);
    blank.setDevicePixelRatio(2.0);
    blank.fill(Qt::transparent);
    std::vector<QImage> images;
    for (const auto& kind : kinds) {
        images.push_back(drawn(kind));
        EXPECT_NE(images.back(), blank);
    }
    for (std::size_t i = 0; i < images.size(); ++i)
        for (std::size_t j = i + 1; j < images.size(); ++j) EXPECT_NE(images[i], images[j]) << i << " and " << j;
}

TEST(StateIconAccessibility, TheGlyphIsHiddenFromAssistiveTools) {
    ensureApp();
    StateIcon icon;
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&icon);
    ASSERT_NE(face, nullptr);
    EXPECT_TRUE(face->state().invisible);
}

// --- The pill ---------------------------------------------------------------------------------

TEST(PillSize, KeepsItsIdealSizeAndTwentyPixelsInANarrowLine) {
    ensureApp();
    QWidget line;
    auto* layout = new LineLayout(&line);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* text = new ElidedLabel(&line);
    text->setParts("A long text that gives way to the pill beside it");
    auto* pill = new Pill(&line);
    layout->addWidget(text, {.priority = 0});
    layout->addWidget(pill, {.priority = 4, .leading = 10});
    pill->setPill("Taking jobs", PillTone::good);

    const int word = QFontMetrics(TextStyle::captionMedium()).horizontalAdvance("Taking jobs");
    EXPECT_GE(natural(pill), 8 + 6 + 5 + word + 8);
    line.resize(80, 40);
    Rendering::layOut(line);
    EXPECT_EQ(pill->size(), QSize(natural(pill), 20));
    EXPECT_EQ(pill->minimumSizeHint(), pill->sizeHint());
    EXPECT_EQ(pill->y(), 10);  // centred in the line
}

// --- Job rows ---------------------------------------------------------------------------------

D::JobLine jobLine(std::string key, StateKind state, std::string meta = "main, run 42, Linux VM") {
    D::JobLine line;
    line.key = std::move(key);
    line.state = state;
    line.repository = "quillmarsh-app";
    line.name = "Build and test (ubuntu)";
    line.meta = std::move(meta);
    line.trailing = "2 min ago";
    line.accessibleName = "quillmarsh-app Build and test (ubuntu), Running, " + line.meta + ", 2 min ago";
    line.open = link("job:" + line.key);
    return line;
}

TEST(JobListRowInput, AClickAnywhereAndTheKeysRunItsAction) {
    ensureApp();
    JobListRow row;
    row.setLine(jobLine("7", StateKind::running(0.4)));
    int runs = 0;
    row.setAction([&] { ++runs; });
    layOutAt(row, 640);
    row.show();

    // Empty space between the meta line and the trailing time.
    const int gap = (row.metaLabel()->geometry().right() + row.trailingLabel()->geometry().left()) / 2;
    const QPoint empty(gap, row.height() / 2);
    ASSERT_GT(row.trailingLabel()->geometry().left() - row.metaLabel()->geometry().right(), 20);
    EXPECT_EQ(row.childAt(empty), nullptr);
    clickAt(&row, empty);
    EXPECT_EQ(runs, 1);

    // The texts let the pointer through: the row is what is under it.
    for (QWidget* part : {static_cast<QWidget*>(row.stateIcon()), static_cast<QWidget*>(row.nameLabel())})
        EXPECT_EQ(row.childAt(part->geometry().center()), nullptr);

    key(&row, Qt::Key_Space);
    key(&row, Qt::Key_Return);
    EXPECT_EQ(runs, 3);
}

TEST(JobListRowAccessibility, IsOneButtonNamedByItsLine) {
    ensureApp();
    JobListRow row;
    const D::JobLine line = jobLine("7", StateKind::running());
    row.setLine(line);
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&row);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->role(), QAccessible::Button);
    EXPECT_EQ(face->text(QAccessible::Name).toStdString(), line.accessibleName);
    EXPECT_EQ(face->childCount(), 0);
}

// Lays a row out at a width and reads what its texts got.
struct JobRowWidths {
    int repository, name, meta, trailing;
};

JobRowWidths widthsAt(JobListRow& row, int width) {
    layOutAt(row, width);
    return {row.repositoryLabel()->width(), row.nameLabel()->width(), row.metaLabel()->width(),
            row.trailingLabel()->width()};
}

TEST(JobListRowLayout, ANarrowRowCutsMetaThenNameThenRepositoryAndNeverTheTime) {
    ensureApp();
    JobListRow row;
    row.setLine(jobLine("7", StateKind::succeeded()));
    const int repository = natural(row.repositoryLabel());
    const int name = natural(row.nameLabel());
    const int meta = natural(row.metaLabel());
    const int trailing = natural(row.trailingLabel());
    // Paddings 14 and 14, the glyph and its 12, the name's 5, the meta's 10, the spacer's 12.
    const int fixed = 14 + 16 + 12 + 5 + 10 + 12 + 14;
    const int whole = fixed + repository + name + meta + trailing;

    const JobRowWidths wide = widthsAt(row, whole + 40);
    EXPECT_EQ(wide.repository, repository);
    EXPECT_EQ(wide.name, name);
    EXPECT_EQ(wide.meta, meta);
    EXPECT_EQ(row.trailingLabel()->geometry().right() + 1, row.width() - 14);

    const JobRowWidths metaCut = widthsAt(row, whole - meta / 2);
    EXPECT_EQ(metaCut.repository, repository);
    EXPECT_EQ(metaCut.name, name);
    EXPECT_EQ(metaCut.meta, meta - meta / 2);

    const JobRowWidths nameCut = widthsAt(row, whole - meta - name / 2);
    EXPECT_EQ(nameCut.repository, repository);
    EXPECT_EQ(nameCut.name, name - name / 2);
    EXPECT_EQ(nameCut.meta, 0);

    const JobRowWidths repositoryCut = widthsAt(row, whole - meta - name - repository / 2);
    EXPECT_EQ(repositoryCut.repository, repository - repository / 2);
    EXPECT_EQ(repositoryCut.name, 0);

    for (const JobRowWidths& widths : {wide, metaCut, nameCut, repositoryCut}) EXPECT_EQ(widths.trailing, trailing);
    // The time, at its width, is drawn whole.
    const QFontMetrics metrics(row.trailingLabel()->font());
    EXPECT_EQ(metrics.elidedText("2 min ago", Qt::ElideRight, trailing), "2 min ago");
    // The row asks for no more than its fixed parts: long texts never widen the window.
    EXPECT_EQ(row.minimumSizeHint().width(), fixed + trailing);
}

// --- Machine rows -----------------------------------------------------------------------------

D::MachineLine machineLine() {
    D::MachineLine line;
    line.key = "m1";
    line.tile = D::MachineLine::Tile::laptop;
    line.name = "Studio MacBook";
    line.thisMac = true;
    line.hardware = {"Apple M2 Pro, 12 cores, 32 GB memory", "M2 Pro, 32 GB", "M2 Pro"};
    line.pill = {"Taking jobs", PillTone::good};
    line.activity = "Ran a job 3 min ago";
    return line;
}

TEST(MachineRowLayout, TheHardwareFallsBackToShorterVariantsBeforeTheNameIsCut) {
    ensureApp();
    MachineRow row;
    const D::MachineLine line = machineLine();
    row.setLine(line);
    const int name = natural(row.nameLabel());
    const int thisMac = natural(row.thisMacLabel());
    const int pill = natural(row.pill());
    const QFontMetrics metrics(TextStyle::subheadline());
    const auto variant = [&](std::size_t i) { return metrics.horizontalAdvance(QString::fromStdString(line.hardware[i])) + 1; };
    // Paddings, the tile and its 12, "this Mac" and its 5, the hardware's 10, the spacer's 12,
    // the pill and the activity column.
    const int fixed = 14 + 30 + 12 + 5 + thisMac + 10 + 12 + pill + MachineRow::activityWidth + 14;

    struct Case {
        const char* what;
        int hardwareRoom;
        std::string shown;
    };
    for (const Case& c : std::vector<Case>{{"room for the whole line", variant(0) + 30, line.hardware[0]},
                                           {"the shorter variant", variant(1) + 2, line.hardware[1]},
                                           {"the shortest", variant(2), line.hardware[2]}}) {
        layOutAt(row, fixed + name + c.hardwareRoom);
        EXPECT_EQ(row.hardwareLabel()->shown().toStdString(), c.shown) << c.what;
        EXPECT_EQ(row.nameLabel()->width(), name) << c.what;
    }

    layOutAt(row, fixed + name + variant(2) - 6);
    EXPECT_TRUE(row.hardwareLabel()->shown().endsWith(QChar(0x2026)));
    EXPECT_EQ(row.nameLabel()->width(), name);

    layOutAt(row, fixed + name / 2);
    EXPECT_EQ(row.hardwareLabel()->width(), 0);
    EXPECT_EQ(row.nameLabel()->width(), name / 2);
    EXPECT_EQ(row.thisMacLabel()->width(), thisMac);

    // The pill and the activity column stay whole, the activity at the trailing edge.
    EXPECT_EQ(row.pill()->width(), pill);
    EXPECT_EQ(row.activityLabel()->width(), natural(row.activityLabel()));
    EXPECT_EQ(row.activityLabel()->geometry().right() + 1, row.width() - 14);
    EXPECT_GE(row.activityLabel()->x(), row.pill()->geometry().right() + 1);
}

TEST(MachineRowLayout, OnlyThisMacSaysSoAndTheRowReadsAsOneText) {
    ensureApp();
    MachineRow row;
    D::MachineLine line = machineLine();
    line.thisMac = false;
    line.tile = D::MachineLine::Tile::server;
    row.setLine(line);
    layOutAt(row, 700);
    EXPECT_TRUE(row.thisMacLabel()->isHidden());
    // Without "this Mac" its padding goes too: the hardware follows the name by its own 10.
    EXPECT_EQ(row.hardwareLabel()->x(), row.nameLabel()->geometry().right() + 1 + 10);
    EXPECT_EQ(row.tile(), D::MachineLine::Tile::server);
    EXPECT_EQ(row.tileRect(), QRect(14, (row.height() - 30) / 2, 30, 30));

    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&row);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->childCount(), 0);
    EXPECT_EQ(face->text(QAccessible::Name),
              "Studio MacBook, Apple M2 Pro, 12 cores, 32 GB memory, Taking jobs, Ran a job 3 min ago");
}

// --- Segments ---------------------------------------------------------------------------------

TEST(SegmentsInput, ChoosingCallsBackWithTheIndexAndSelectsNothingItself) {
    ensureApp();
    Segments segments;
    const std::vector<Segments::Option> all{{"All", true}, {"Running", false}, {"Failed", false}};
    segments.setOptions(all);
    std::vector<int> chosen;
    segments.setChosen([&](int index) { chosen.push_back(index); });
    segments.resize(segments.sizeHint());
    Rendering::layOut(segments);
    EXPECT_EQ(segments.height(), 22);

    QAbstractButton* running = segments.segment(1);
    ASSERT_NE(running, nullptr);
    EXPECT_EQ(segments.segment(3), nullptr);
    clickAt(&segments, running->geometry().center());
    EXPECT_EQ(chosen, std::vector<int>{1});
    EXPECT_TRUE(segments.segment(0)->isChecked());
    EXPECT_FALSE(running->isChecked());
    EXPECT_EQ(segments.options(), all);

    // The keys: Right moves to the next segment, Space chooses it.
    segments.setFocus();
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(&segments, &focus);
    key(&segments, Qt::Key_Right);
    key(&segments, Qt::Key_Right);
    key(&segments, Qt::Key_Space);
    EXPECT_EQ(chosen, (std::vector<int>{1, 2}));

    // What the caller selects next is shown.
    segments.setOptions({{"All", false}, {"Running", false}, {"Failed", true}});
    EXPECT_FALSE(segments.segment(0)->isChecked());
    EXPECT_TRUE(segments.segment(2)->isChecked());
    EXPECT_EQ(segments.segment(2)->text(), "Failed");
}

// --- Rows in a page ---------------------------------------------------------------------------

D jobsPage(std::vector<D::CardRow> rows) {
    D page;
    page.title = "Jobs";
    D::Section section = D::headedSection("Running Now");
    section.rows = std::move(rows);
    page.blocks = {section};
    return page;
}

TEST(JobListRowInPage, AKeptRowKeepsItsHoverAndTakesTheNewLine) {
    ensureApp();
    std::vector<PaneCommands> performed;
    PageView view([&](const PaneCommands& commands) { performed.push_back(commands); });
    view.resize(700, 500);
    view.apply(jobsPage({jobLine("7", StateKind::running(0.2)), jobLine("8", StateKind::pending())}));
    auto* row = qobject_cast<JobListRow*>(view.rowWidget("7"));
    ASSERT_NE(row, nullptr);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(row, &enter);
    ASSERT_TRUE(row->hovering());

    D::JobLine later = jobLine("7", StateKind::running(0.6), "main, run 43");
    later.open = link("job:7, again");
    view.apply(jobsPage({later, jobLine("8", StateKind::pending())}));
    EXPECT_EQ(view.rowWidget("7"), row);
    EXPECT_TRUE(row->hovering());
    EXPECT_EQ(row->metaLabel()->text(), "main, run 43");
    EXPECT_EQ(row->stateIcon()->kind(), StateKind::running(0.6));

    click(row);
    ASSERT_EQ(performed.size(), 1u);
    EXPECT_EQ(performed[0], link("job:7, again"));
}

} // namespace
} // namespace quillmarsh::test
