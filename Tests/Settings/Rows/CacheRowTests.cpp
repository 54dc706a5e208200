#include "Settings/Kit/Card.h"
#include "Settings/Kit/PageView.h"
#include "Settings/Kit/PaneButton.h"
#include "Settings/Rendering.h"
#include "Settings/Rows/CacheHeaderRow.h"
#include "Settings/Rows/CacheRow.h"
#include "Settings/Rows/MiddleElidedLabel.h"
#include "Settings/Rows/StatCard.h"
#include "Settings/Rows/StatCardRow.h"
#include "StatusMenu/ElidedLabel.h"
#include "Settings/Palettes.h"
#include "Support/TestApplication.h"

#include <QAccessible>
#include <QFontMetricsF>
#include <QLabel>
#include <QPointer>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace quillmarsh::test {
namespace {

using D = PageDescription;

D::CacheLine line(std::string owner, std::string name, bool branches, bool clearable = true) {
    D::CacheLine l;
    l.key = owner + name;
    l.owner = std::move(owner);
    l.name = std::move(name);
    l.branchesColumn = branches;
    l.branches = branches ? "main, dev" : "";
    l.lastUsed = "2 hours ago";
    l.size = "1.2 GB";
    l.clear = D::button("Clear", {PaneCommand::OpenLink{"clear:" + l.key}}, D::Button::Style::standard, clearable);
    return l;
}

// A card holding the table's header and rows, laid out at a width as the page shows it.
struct Table {
    explicit Table(bool branches, std::vector<D::CacheLine> lines = {}) {
        header = new CacheHeaderRow;
        header->setHeader({"header", branches});
        std::vector<QWidget*> widgets{header};
        if (lines.empty()) lines = {line("acme/", "widgets", branches), line("", "solo", branches)};
        for (const auto& l : lines) {
            auto* row = new CacheRow;
            row->setLine(l);
            rows.push_back(row);
            widgets.push_back(row);
        }
        card.setRows(widgets);
        card.setPalette(lightPalette());
    }
    void layOut(int width) {
        card.resize(width, card.sizeHint().height());
        Rendering::layOut(card);
    }
    bool app = (ensureApp(), true);  // before any widget
    Card card;
    CacheHeaderRow* header = nullptr;
    std::vector<CacheRow*> rows;
};

// Every column starts (leading cells) or ends (trailing ones) at the same x in the header and in
// each row, and the Branches column takes room only while it is shown.
TEST(CacheTable, HeaderAndRowsShareTheirColumns) {
    for (bool branches : {true, false}) {
        SCOPED_TRACE(branches ? "with branches" : "without branches");
        Table table(branches);
        table.layOut(640);
        const CacheHeaderRow& header = *table.header;
        EXPECT_EQ(header.showsBranches(), branches);
        EXPECT_EQ(header.branchesLabel()->isHidden(), !branches);
        for (CacheRow* row : table.rows) {
            EXPECT_EQ(row->width(), header.width());
            EXPECT_EQ(row->showsBranches(), branches);
            EXPECT_EQ(row->branchesLabel()->isHidden(), !branches);
            EXPECT_EQ(row->repositoryCell()->x(), header.repositoryLabel()->x());
            EXPECT_EQ(row->repositoryCell()->x(), 14);
            EXPECT_EQ(row->lastUsedLabel()->x(), header.lastUsedLabel()->x());
            EXPECT_EQ(row->sizeLabel()->geometry().right(), header.sizeLabel()->geometry().right());
            // Trailing cells at their natural width.
            EXPECT_EQ(row->sizeLabel()->width(), row->sizeLabel()->sizeHint().width());
            EXPECT_EQ(header.sizeLabel()->width(), header.sizeLabel()->sizeHint().width());
            if (branches) {
                EXPECT_EQ(row->branchesLabel()->x(), header.branchesLabel()->x());
                EXPECT_EQ(row->branchesLabel()->width(), CacheRow::branchesWidth);
            }
            // Repository, then branches when shown, then last used: each column 12 after the one
            // before it.
            const int lastUsedAfter = row->repositoryCell()->geometry().right() + 1 + CacheRow::spacing +
                                      (branches ? CacheRow::branchesWidth + CacheRow::spacing : 0);
            EXPECT_EQ(row->lastUsedLabel()->x(), lastUsedAfter);
            EXPECT_EQ(row->lastUsedLabel()->width(), CacheRow::lastUsedWidth);
            // The button at its natural size, trailing in the action column at the row's padding.
            EXPECT_EQ(row->clearButton()->size(), row->clearButton()->sizeHint());
            EXPECT_EQ(row->clearButton()->geometry().right() + 1, row->width() - 14);
            EXPECT_EQ(row->sizeLabel()->geometry().right() + 1,
                      row->width() - 14 - CacheRow::actionWidth - CacheRow::spacing);
        }
    }
}

// The page view makes the table from a section's cache lines: a row's button runs its line's
// commands, and a line turning its Branches column off takes it out of the same row widget.
TEST(CacheTable, ThePageViewFillsRowsAndRunsTheirClearButtons) {
    ensureApp();
    std::vector<PaneCommands> performed;
    PageView view([&](const PaneCommands& commands) { performed.push_back(commands); });
    auto page = [](bool branches) {
        D p;
        p.title = "Caches";
        D::Section s = D::headedSection("Repositories");
        s.rows = {D::CacheHeader{"header", branches}, line("acme/", "widgets", branches)};
        p.blocks = {s};
        return p;
    };
    view.apply(page(true));
    auto* row = qobject_cast<CacheRow*>(view.rowWidget("acme/widgets"));
    ASSERT_NE(row, nullptr);
    click(row->clearButton());
    ASSERT_EQ(performed.size(), 1u);
    EXPECT_EQ(performed[0], (PaneCommands{PaneCommand::OpenLink{"clear:acme/widgets"}}));

    view.apply(page(false));
    EXPECT_EQ(view.rowWidget("acme/widgets"), row);
    EXPECT_FALSE(row->showsBranches());
    EXPECT_FALSE(qobject_cast<CacheHeaderRow*>(view.rowWidget("header"))->showsBranches());
}

TEST(CacheRow, ClearButtonFollowsTheDescription) {
    ensureApp();
    CacheRow row;
    for (bool enabled : {false, true, false}) {
        row.setLine(line("acme/", "widgets", false, enabled));
        EXPECT_EQ(row.clearButton()->isEnabled(), enabled);
        EXPECT_EQ(row.clearButton()->title(), "Clear");
    }
}

// Owner "acme/" and name "widgets" of a 600-character repository: cut in the middle, so both ends
// stay, and the row asks for no more width than with a short name.
TEST(CacheRow, ALongRepositoryIsCutInTheMiddleAndNeverWidensTheRow) {
    const QString name = QString(300, QLatin1Char('a')) + QString(300, QLatin1Char('z'));
    Table table(true, {line("acme/", "widgets", true), line("acme/", name.toStdString(), true)});
    table.layOut(640);
    CacheRow& shortRow = *table.rows[0];
    CacheRow& longRow = *table.rows[1];
    EXPECT_EQ(longRow.minimumSizeHint().width(), shortRow.minimumSizeHint().width());
    EXPECT_EQ(longRow.sizeHint().width(), shortRow.sizeHint().width());
    EXPECT_LE(longRow.minimumSizeHint().width(), 14 + CacheRow::branchesWidth + CacheRow::lastUsedWidth +
                                                     CacheRow::sizeWidth + CacheRow::actionWidth +
                                                     4 * CacheRow::spacing + 14 + 20);
    EXPECT_EQ(table.card.minimumSizeHint().width(), shortRow.minimumSizeHint().width());

    const auto runs = longRow.repositoryCell()->shown();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0], (MiddleElidedLabel::Run{"acme/", true}));
    EXPECT_FALSE(runs[1].quiet);
    EXPECT_TRUE(runs[1].text.startsWith(QStringLiteral("aaa")));
    EXPECT_TRUE(runs[1].text.contains(QStringLiteral("a\u2026z")));
    EXPECT_TRUE(runs[1].text.endsWith(QStringLiteral("zzz")));
    EXPECT_EQ(longRow.repositoryCell()->accessibleName(), "acme/" + name);
}

// At every width the cut keeps the text's two ends, as many characters at the head as at the
// tail (or one more), fits the width whenever the ellipsis does, and draws only the lead's
// characters quiet.
TEST(MiddleElidedLabel, CutsKeepBothEndsAndTheRunsTheirColours) {
    ensureApp();
    const QFontMetricsF metrics(QApplication::font());
    struct Case {
        QString lead;
        QString main;
    };
    const std::vector<Case> cases = {
        {"octo-organisation/", "a-rather-long-repository"},
        {"o/", "name-far-longer-than-its-owner-part"},
        {"", "no-owner-at-all-only-a-name"},
        {"owner-far-longer-than-the-name/", "n"},
    };
    for (const Case& c : cases) {
        const QString whole = c.lead + c.main;
        const qreal full = metrics.horizontalAdvance(whole);
        int lastKept = -1;
        for (qreal width = 0; width <= full + 2; width += 3) {
            SCOPED_TRACE((whole + " at " + QString::number(width)).toStdString());
            const auto runs = MiddleElidedLabel::shown(c.lead, c.main, metrics, width);
            QString shown;
            for (const auto& run : runs) shown += run.text;
            for (std::size_t i = 1; i < runs.size(); ++i) EXPECT_NE(runs[i].quiet, runs[i - 1].quiet);
            if (width >= full) {
                std::vector<MiddleElidedLabel::Run> both{{c.main, false}};
                if (!c.lead.isEmpty()) both.insert(both.begin(), {c.lead, true});
                EXPECT_EQ(runs, both);
                continue;
            }
            const qsizetype cut = shown.indexOf(QChar(0x2026));
            ASSERT_GE(cut, 0);
            const QString head = shown.left(cut);
            const QString tail = shown.mid(cut + 1);
            EXPECT_TRUE(whole.startsWith(head));
            EXPECT_TRUE(whole.endsWith(tail));
            EXPECT_TRUE(head.size() == tail.size() || head.size() == tail.size() + 1);
            if (metrics.horizontalAdvance(QStringLiteral("\u2026")) <= width) {
                EXPECT_LE(metrics.horizontalAdvance(shown), width);
            }
            EXPECT_GE(head.size() + tail.size(), lastKept);
            lastKept = static_cast<int>(head.size() + tail.size());
            // Quiet exactly where the lead's characters are (the ellipsis counting as the first
            // character it stands for).
            qsizetype at = 0;
            for (const auto& run : runs) {
                for (qsizetype i = 0; i < run.text.size(); ++i, ++at) {
                    const qsizetype inWhole = at < cut ? at : at == cut ? cut : whole.size() - (shown.size() - at);
                    EXPECT_EQ(run.quiet, inWhole < c.lead.size()) << at;
                }
            }
        }
    }
}

// Drawn on the card: the owner part's darkest ink is lighter than the name's.
TEST(CacheRow, TheOwnerPartIsDrawnQuieterThanTheName) {
    Table table(false, {line("mmmm/", "mmmm", false)});
    table.layOut(640);
    const std::optional<QImage> image = Rendering::bitmap(table.card, 1.0);
    ASSERT_TRUE(image);
    const MiddleElidedLabel& cell = *table.rows[0]->repositoryCell();
    const QRect area(cell.mapTo(&table.card, QPoint(0, 0)), cell.size());
    const QFontMetricsF metrics(cell.font());
    const int ownerEnd = area.left() + static_cast<int>(metrics.horizontalAdvance(QStringLiteral("mmmm")));
    const int nameStart = area.left() + static_cast<int>(std::ceil(metrics.horizontalAdvance(QStringLiteral("mmmm/"))));
    const int nameEnd = nameStart + static_cast<int>(metrics.horizontalAdvance(QStringLiteral("mmmm")));
    auto darkest = [&](int from, int to) {
        int least = 255;
        for (int x = from; x < to; ++x)
            for (int y = area.top(); y <= area.bottom(); ++y) least = std::min(least, qGray(image->pixel(x, y)));
        return least;
    };
    const int owner = darkest(area.left(), ownerEnd);
    const int name = darkest(nameStart, nameEnd);
    EXPECT_LT(name, 80);
    EXPECT_GT(owner, name + 60) << "owner " << owner << ", name " << name;
}

TEST(CacheHeaderRow, IsHiddenFromAccessibility) {
    ensureApp();
    CacheHeaderRow header;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&header);
    ASSERT_NE(accessible, nullptr);
    EXPECT_TRUE(accessible->state().invisible);
    EXPECT_EQ(accessible->childCount(), 0);
}

std::vector<D::StatCard> cards(int count) {
    std::vector<D::StatCard> all = {
        {"Package caches", "12.4 GB", "of 40 GB on this laptop"},
        {"Tools", "3.1 GB", "A detail long enough to need far more width than one third of the row could ever give it"},
        {"Free on disk", "212 GB", "10 GB always kept free"},
    };
    if (count == 2) all.erase(all.begin() + 1);
    return all;
}

struct Cards {
    Cards() { row.setPalette(lightPalette()); }
    void layOut(int width) {
        row.resize(width, row.sizeHint().height());
        Rendering::layOut(row);
    }
    bool app = (ensureApp(), true);  // before any widget
    StatCardRow row;
};

// Two or three cards, one with a detail far too long for its share: all get the same width (to
// a pixel of rounding), 12 apart, filling the row; the long detail is cut on one line.
TEST(StatCardRow, CardsShareTheWidthEquallyAndCutTheirDetails) {
    for (int count : {2, 3}) {
        SCOPED_TRACE(count);
        Cards cardRow;
        cardRow.row.setCards(cards(count));
        cardRow.layOut(600);
        const auto& widgets = cardRow.row.cards();
        ASSERT_EQ(widgets.size(), static_cast<std::size_t>(count));
        int total = 0;
        for (StatCard* card : widgets) {
            EXPECT_LE(std::abs(card->width() - widgets[0]->width()), 1);
            EXPECT_EQ(card->y(), 0);
            EXPECT_EQ(card->height(), widgets[0]->height());
            EXPECT_EQ(card->detailLabel()->height(), widgets[0]->detailLabel()->height());
            EXPECT_LE(card->detailLabel()->geometry().right(), card->width() - 14);
            total += card->width();
        }
        EXPECT_EQ(total + (count - 1) * 12, 600);
        EXPECT_EQ(widgets.back()->geometry().right(), 599);
        EXPECT_LT(cardRow.row.minimumSizeHint().width(), 200);
    }
}

TEST(StatCardRow, UpdatesReuseTheCardsThereAre) {
    Cards cardRow;
    cardRow.row.setCards(cards(3));
    const std::vector<StatCard*> three = cardRow.row.cards();
    QPointer<StatCard> last = three[2];

    auto changed = cards(3);
    changed[0].value = "13.0 GB";
    cardRow.row.setCards(changed);
    EXPECT_EQ(cardRow.row.cards(), three);
    EXPECT_EQ(three[0]->valueLabel()->text(), "13.0 GB");

    cardRow.row.setCards(cards(2));
    ASSERT_EQ(cardRow.row.cards().size(), 2u);
    EXPECT_EQ(cardRow.row.cards()[0], three[0]);
    EXPECT_EQ(cardRow.row.cards()[1], three[1]);
    EXPECT_TRUE(last.isNull());
    EXPECT_EQ(three[1]->labelLabel()->text(), "Free on disk");

    cardRow.row.setCards(cards(3));
    ASSERT_EQ(cardRow.row.cards().size(), 3u);
    EXPECT_EQ(cardRow.row.cards()[1], three[1]);
    cardRow.layOut(600);
    EXPECT_TRUE(cardRow.row.cards()[2]->isVisibleTo(&cardRow.row));
    EXPECT_GT(cardRow.row.cards()[2]->width(), 100);
}

TEST(StatCard, IsReadAsOneElementOfItsThreeTexts) {
    ensureApp();
    StatCard card;
    card.setCard({"Free on disk", "212 GB", "10 GB always kept free"});
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&card);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->childCount(), 0);
    EXPECT_EQ(accessible->text(QAccessible::Name), "Free on disk, 212 GB, 10 GB always kept free");
    card.setCard({"Free on disk", "", "Some always kept free"});
    EXPECT_EQ(accessible->text(QAccessible::Name), "Free on disk, Some always kept free");
}

} // namespace
} // namespace quillmarsh::test
