#include "Platform/HeadlessStatusItem.h"
#include "StatusMenu/MarkIcon.h"
#include "StatusMenu/StatusIcon.h"
#include "StatusMenu/TrayTint.h"
#include "Support/TestApplication.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QPalette>
#include <QPixmap>

#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace quillmarsh {
namespace {

using test::ensureApp;

const QColor clear(0, 0, 0, 0);

// The image's pixel under a point given in points.
QColor at(const QImage& image, QPointF point) {
    const qreal scale = image.devicePixelRatio();
    return image.pixelColor(int(std::floor(point.x() * scale)), int(std::floor(point.y() * scale)));
}

// Colours as the image stores them: fully transparent pixels have no colour of their own.
testing::AssertionResult near(const QColor& actual, const QColor& expected, int tolerance = 3) {
    const auto off = [&](int a, int b) { return std::abs(a - b) > tolerance; };
    const bool colourMatters = expected.alpha() > 0;
    if (off(actual.alpha(), expected.alpha()) ||
        (colourMatters && (off(actual.red(), expected.red()) || off(actual.green(), expected.green()) ||
                           off(actual.blue(), expected.blue())))) {
        return testing::AssertionFailure() << actual.name(QColor::HexArgb).toStdString() << " is not "
                                           << expected.name(QColor::HexArgb).toStdString();
    }
    return testing::AssertionSuccess();
}

// The pixel bounds of the pixels that pass the test.
template <typename Test>
QRect boundsWhere(const QImage& image, Test test) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (test(image.pixelColor(x, y))) bounds |= QRect(x, y, 1, 1);
    return bounds;
}

TEST(MarkIcon, DotFrameSitsAtTheImagesLowerRightWhateverTheBoundsOrientation) {
    struct Case {
        QRectF bounds;
        bool flipped;
        QRectF expected;
    };
    const std::vector<Case> cases = {
        {{0, 0, 22, 22}, true, {14, 14, 7, 7}},
        {{0, 0, 22, 22}, false, {14, 1, 7, 7}},
        {{0, 0, 30, 22}, true, {18, 14, 7, 7}},
        {{5, 10, 22, 24}, true, {19, 25, 7, 7}},
        {{5, 10, 22, 24}, false, {19, 12, 7, 7}},
    };
    for (const auto& c : cases) EXPECT_EQ(MarkIcon::dotFrame(c.bounds, c.flipped), c.expected) << c.flipped;
}

TEST(MarkIcon, PathFillsItsDesignBoxAndItsPiecesUnite) {
    const QPainterPath path = MarkIcon::path();
    const QRectF bounds = path.boundingRect();
    EXPECT_NEAR(bounds.left(), 659, 0.1);
    EXPECT_NEAR(bounds.top(), 502.67, 0.1);
    EXPECT_NEAR(bounds.width(), 75, 0.5);
    EXPECT_NEAR(bounds.height(), 74.67, 0.1);
    EXPECT_EQ(path.fillRule(), Qt::WindingFill);

    // The bar's centre, and its upper end where it runs into the first hook.
    EXPECT_TRUE(path.contains(QPointF(705.37, 531.0)));
    EXPECT_TRUE(path.contains(QPointF(717.5, 513.5)));
    // The two small squares; the space between the hooks' ends stays open.
    EXPECT_TRUE(path.contains(QPointF(679, 522.6)));
    EXPECT_TRUE(path.contains(QPointF(713.7, 557.3)));
    EXPECT_FALSE(path.contains(QPointF(665, 510)));
    EXPECT_FALSE(path.contains(QPointF(728, 570)));
}

TEST(MarkIcon, AppIconIsAnOrangeTileWithTheMarkCentredInWhite) {
    ensureApp();
    for (const qreal size : {56.0, 64.0}) {
        for (const qreal scale : {1.0, 2.0}) {
            SCOPED_TRACE(std::to_string(size) + " at " + std::to_string(scale));
            const QImage icon = MarkIcon::appIcon(size, scale);
            ASSERT_EQ(icon.width(), qRound(size * scale));
            ASSERT_EQ(icon.devicePixelRatio(), scale);

            // Round corners (radius size x 0.22), an orange tile just inside them.
            EXPECT_TRUE(near(at(icon, {0, 0}), clear));
            EXPECT_TRUE(near(at(icon, {size - 1, size - 1}), clear));
            EXPECT_TRUE(near(at(icon, {size / 2, 1}), MarkIcon::orange()));
            EXPECT_TRUE(near(at(icon, {size * 0.22, size * 0.22}), MarkIcon::orange()));
            EXPECT_TRUE(near(at(icon, {size / 2, size / 2}), Qt::white));

            // The mark spans the square inset by the radius (31.36 pt at 56), centred: its pieces
            // reach from 0.09 to 74.7 of the design box's 75 across and 74.67 down.
            const QRect white = boundsWhere(icon, [](const QColor& c) { return c.green() > 170; });
            const qreal side = size * (1 - 2 * 0.22) * scale;
            EXPECT_NEAR(white.width(), side * 74.61 / 75, 1.5);
            EXPECT_NEAR(white.height(), side * 74.61 / 75, 1.5);
            const qreal middle = size * scale / 2;
            EXPECT_NEAR(white.left() + white.width() / 2.0, middle, 1);
            EXPECT_NEAR(white.top() + white.height() / 2.0, middle, 1);
        }
    }
}

TEST(MarkIcon, StatusImageOfEachLook) {
    ensureApp();
    const QColor tint(40, 80, 120);
    const QColor faint(40, 80, 120, 107);  // the tint at 42 %
    const QColor attention = MarkIcon::attention();
    const QColor orange = MarkIcon::orange();

    // Probes, in points: the middle of the mark; the dot's centre; the lower-right square, which
    // the hole around the dot (and the paused disc) covers; the first hook where the paused
    // disc's clear ring crosses it; the left pause bar.
    const QPointF mark(11, 11), dot(18.5, 18.5), square(13.75, 15.75), hook(17.5, 11), bar(15.5, 17);
    struct Case {
        IconLook look;
        QColor mark, dot, square, hook, bar;
    };
    const std::vector<Case> cases = {
        {IconLook::needsAttention, tint, attention, clear, tint, attention},
        {IconLook::running, tint, orange, clear, tint, orange},
        {IconLook::paused, tint, clear, tint, clear, clear},
        {IconLook::holdingBack, faint, clear, faint, faint, clear},
        {IconLook::idle, tint, clear, tint, tint, clear},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(name(c.look)));
        EXPECT_EQ(MarkIcon::dotColor(c.look), c.dot.alpha() > 0 ? std::optional(c.dot) : std::nullopt);
        for (const qreal scale : {1.0, 2.0}) {
            const QImage image = MarkIcon::statusImage(c.look, tint, scale);
            EXPECT_EQ(image.size(), QSize(22, 22) * scale);
            EXPECT_EQ(image.devicePixelRatio(), scale);
            EXPECT_TRUE(near(at(image, mark), c.mark)) << scale;
            EXPECT_TRUE(near(at(image, dot), c.dot)) << scale;
            EXPECT_TRUE(near(at(image, {0.5, 0.5}), clear)) << scale;
        }
        // The narrow shapes need the finer pixels.
        const QImage image = MarkIcon::statusImage(c.look, tint, 2);
        EXPECT_TRUE(near(at(image, square), c.square));
        EXPECT_TRUE(near(at(image, hook), c.hook));
        EXPECT_TRUE(near(at(image, bar), c.bar));
    }
}

TEST(StatusIcon, HoldsTheStatusImageAtBothScales) {
    ensureApp();
    const QIcon icon = StatusIcon::icon(IconLook::running, Qt::black);
    for (const qreal scale : {1.0, 2.0}) {
        const QImage expected = MarkIcon::statusImage(IconLook::running, Qt::black, scale);
        const QImage image = icon.pixmap(QSize(22, 22), scale).toImage();
        EXPECT_EQ(image.devicePixelRatio(), scale);
        EXPECT_EQ(image.convertToFormat(expected.format()), expected) << scale;
    }
}

TEST(MarkIcon, AccentIsTheHighlightOnlyWhenTheAppNamesAnAccentColour) {
    ensureApp();
    QPalette palette;
    palette.setColor(QPalette::Highlight, QColor(10, 120, 200));
    EXPECT_EQ(MarkIcon::accent(false, palette), MarkIcon::orange());
    EXPECT_EQ(MarkIcon::accent(true, palette), QColor(10, 120, 200));
    EXPECT_EQ(MarkIcon::attention(), QColor(0xD9, 0x77, 0x06));
    EXPECT_EQ(MarkIcon::orange(), QColor(0xF5, 0x54, 0x0B));
    // The test program runs from no bundle, so no Info.plist names one.
    EXPECT_EQ(MarkIcon::accent(), MarkIcon::orange());
}

// The mark follows the tray, not the app's palette: on an XEmbed tray it takes white or black,
// whichever stands out from the panel; over StatusNotifierItem, and before the panel is seen, the
// desktop's text colour.
TEST(TrayTint, MarkStandsOutFromAVisibleTrayElseTakesTheDesktopText) {
    using Tray = StatusItem::Tray;
    const QColor text(30, 30, 30);
    struct Case {
        Tray tray;
        std::optional<QColor> background;
        QColor expected;
    };
    const std::vector<Case> cases = {
        {Tray::xembed, QColor(0, 0, 0), Qt::white},
        {Tray::xembed, QColor(43, 43, 43), Qt::white},       // a dark panel, whatever the app's text
        {Tray::xembed, QColor(46, 52, 64), Qt::white},
        {Tray::xembed, QColor(0, 90, 200), Qt::white},
        {Tray::xembed, QColor(255, 255, 255), Qt::black},
        {Tray::xembed, QColor(214, 214, 214), Qt::black},    // a light panel
        {Tray::xembed, QColor(240, 200, 80), Qt::black},
        {Tray::xembed, std::nullopt, text},                  // not seen yet
        {Tray::statusNotifier, QColor(0, 0, 0), text},       // the host draws, and may tint
        {Tray::statusNotifier, std::nullopt, text},
        {Tray::none, std::nullopt, text},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TrayTint::mark(c.tray, c.background, text), c.expected)
            << static_cast<int>(c.tray) << " " << (c.background ? c.background->name().toStdString() : "none");
    }
    EXPECT_NEAR(TrayTint::contrast(Qt::white, Qt::black), 21, 0.01);
    EXPECT_NEAR(TrayTint::contrast(QColor(43, 43, 43), QColor(43, 43, 43)), 1, 0.01);
}

TEST(TrayTint, BackgroundIsReadFromTheEdgesTheMarkLeavesClear) {
    ensureApp();
    // The tray's place with the icon already in it: its top and left edges show the panel.
    for (const QColor& panel : {QColor(43, 43, 43), QColor(214, 214, 214), QColor(0, 90, 200)}) {
        for (const IconLook look : {IconLook::running, IconLook::paused, IconLook::idle}) {
            QImage place(22, 22, QImage::Format_RGB32);
            place.fill(panel);
            QPainter painter(&place);
            painter.drawImage(0, 0, MarkIcon::statusImage(look, Qt::white, 1));
            painter.end();
            const auto background = TrayTint::background(place);
            ASSERT_TRUE(background.has_value());
            EXPECT_TRUE(near(*background, panel, 1)) << panel.name().toStdString() << " " << name(look);
        }
    }
    EXPECT_EQ(TrayTint::background(QImage()), std::nullopt);
    QImage one(1, 1, QImage::Format_RGB32);
    one.fill(QColor(10, 20, 30));
    ASSERT_TRUE(TrayTint::background(one).has_value());
    EXPECT_TRUE(near(*TrayTint::background(one), QColor(10, 20, 30), 1));
}

// An item whose tray is what the test says.
class SeenTray final : public HeadlessStatusItem {
public:
    SeenTray(Tray kind, std::optional<QColor> background) : kind_(kind), background_(background) {}
    Tray tray() const override { return kind_; }
    std::optional<QColor> trayBackground() const override { return background_; }

private:
    Tray kind_;
    std::optional<QColor> background_;
};

TEST(StatusIcon, PaintsTheMarkInTheTraysColourNotTheApps) {
    ensureApp();
    const QPointF mark(11, 11);
    struct Case {
        StatusItem::Tray tray;
        std::optional<QColor> background;
        QColor expected;
    };
    const std::vector<Case> cases = {
        {StatusItem::Tray::xembed, QColor(30, 30, 30), Qt::white},
        {StatusItem::Tray::xembed, QColor(235, 235, 235), Qt::black},
        {StatusItem::Tray::statusNotifier, std::nullopt, StatusIcon::desktopText()},
    };
    for (const auto& c : cases) {
        SeenTray item(c.tray, c.background);
        StatusIcon::apply(MenuIcon{IconLook::idle, "Idle"}, item);
        const QImage image = item.icon().pixmap(QSize(22, 22), 1.0).toImage();
        EXPECT_TRUE(near(at(image, mark), c.expected)) << static_cast<int>(c.tray);
    }
}

} // namespace
} // namespace quillmarsh
