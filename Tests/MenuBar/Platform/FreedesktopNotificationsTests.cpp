#include "Platform/FreedesktopNotifications.h"
#include "Support/NotificationServer.h"
#include "Support/PrivateBus.h"
#include "Support/TestApplication.h"

#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCall>

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quillmarsh {
namespace {

using test::NotificationServer;
using test::PrivateBus;
using test::spinUntil;
using Response = NotificationCenter::Response;

const QStringList withMarkup{QStringLiteral("actions"), QStringLiteral("body"), QStringLiteral("body-markup")};
const QStringList withoutMarkup{QStringLiteral("actions"), QStringLiteral("body")};

Notice notice(NoticeCategory category, std::string title, std::string body,
              std::map<std::string, std::string> userInfo = {}) {
    return {category, std::move(title), std::move(body), std::move(userInfo)};
}

std::vector<std::string> strings(const QStringList& list) {
    std::vector<std::string> out;
    for (const auto& item : list) out.push_back(item.toStdString());
    return out;
}

// The hints with their values as text; a value that is not a string shows as "<not a string>".
std::map<std::string, std::string> stringHints(const QVariantMap& hints) {
    std::map<std::string, std::string> out;
    for (auto it = hints.begin(); it != hints.end(); ++it)
        out[it.key().toStdString()] =
            it.value().metaType() == QMetaType::fromType<QString>() ? it.value().toString().toStdString()
                                                                     : "<not a string>";
    return out;
}

// A private bus with a client connection for the center; skipped where dbus-daemon is missing.
class FreedesktopNotificationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::ensureApp();
        if (!PrivateBus::daemonProgram()) GTEST_SKIP() << "dbus-daemon is not on PATH (scripts/setup installs it)";
        bus.emplace();
    }

    // A center on a client connection of its own, its responses collected in `responses`.
    std::unique_ptr<FreedesktopNotifications> makeCenter(FreedesktopNotifications::Limits limits = {}) {
        client = bus->connect(QStringLiteral("client"));
        auto center = std::make_unique<FreedesktopNotifications>(client, "org.quillmarsh.app", limits);
        center->setOnResponse([this](const Response& response) { responses.push_back(response); });
        return center;
    }

    // Posts and waits until the server has it; the server's record of it.
    NotificationServer::Call postAndWait(FreedesktopNotifications& center, NotificationServer& server,
                                         const Notice& posted) {
        const auto before = server.calls().size();
        center.post(posted);
        EXPECT_TRUE(spinUntil([&] { return server.calls().size() > before; }));
        return server.calls().empty() ? NotificationServer::Call{} : server.calls().back();
    }

    std::optional<PrivateBus> bus;
    QDBusConnection client{QString()};
    std::vector<Response> responses;
};

TEST_F(FreedesktopNotificationsTest, NotifySendsExactlyTheInterfacesArguments) {
    NotificationServer server(*bus);
    auto center = makeCenter();
    const auto call = postAndWait(*center, server,
                                  notice(NoticeCategory::job, "Build <main> & tests failed", "a < b && c > d",
                                         {{"repository", "acme/widgets"}}));

    EXPECT_EQ(call.signature.toStdString(), "susssasa{sv}i");
    EXPECT_EQ(call.appName.toStdString(), "Quillmarsh");
    EXPECT_EQ(call.replacesId, 0u);
    EXPECT_EQ(call.appIcon.toStdString(), "");
    EXPECT_EQ(call.summary.toStdString(), "Build <main> & tests failed");
    EXPECT_EQ(call.body.toStdString(), "a &lt; b &amp;&amp; c &gt; d");
    EXPECT_EQ(strings(call.actions), (std::vector<std::string>{"default", "Open job", "OPEN_JOB", "Open job"}));
    EXPECT_EQ(stringHints(call.hints), (std::map<std::string, std::string>{
                                           {"category", "x-quillmarsh.job"}, {"desktop-entry", "org.quillmarsh.app"}}));
    EXPECT_EQ(call.expireTimeout, -1);

    // The same arguments with replaces_id as a signed integer are refused: the server only takes
    // the interface's own types (u).
    auto arguments = FreedesktopNotifications::notifyArguments(notice(NoticeCategory::job, "t", "b"), "x", true);
    arguments[1] = QVariant::fromValue(0);
    auto message = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                                  QStringLiteral("/org/freedesktop/Notifications"),
                                                  QStringLiteral("org.freedesktop.Notifications"),
                                                  QStringLiteral("Notify"));
    message.setArguments(arguments);
    const QDBusPendingCall refused = bus->connect(QStringLiteral("raw")).asyncCall(message);
    ASSERT_TRUE(spinUntil([&] { return refused.isFinished(); }));
    EXPECT_EQ(refused.error().type(), QDBusError::UnknownMethod);
    EXPECT_EQ(server.calls().size(), 1u);
}

TEST_F(FreedesktopNotificationsTest, ANoticeWaitsForALateAnswerAndItsBodyIsEscapedOnlyForMarkup) {
    struct Case {
        const char* name;
        QStringList capabilities;
        const char* body;
    };
    const Case cases[] = {
        {"markup", withMarkup, "Memory &lt;10% &amp; falling"},
        {"plain text", withoutMarkup, "Memory <10% & falling"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NotificationServer server(*bus, c.capabilities);
        server.holdCapabilities();
        auto center = makeCenter();
        const auto first = notice(NoticeCategory::takingBreak, "Taking a <break> & more", "Memory <10% & falling");

        // The question asked at the post reaches the server after anything the post sent: nothing
        // goes out before the server has said how it reads bodies.
        center->post(first);
        ASSERT_TRUE(spinUntil([&] { return server.questionsAsked() == 2; }));
        EXPECT_TRUE(server.calls().empty());

        EXPECT_EQ(server.answerCapabilities(), 2);
        ASSERT_TRUE(spinUntil([&] { return server.calls().size() == 1; }));
        EXPECT_EQ(server.calls()[0].body.toStdString(), c.body);
        EXPECT_EQ(server.calls()[0].summary.toStdString(), "Taking a <break> & more") << "the title is never escaped";

        // Known now: the next one goes out at once, read the same way.
        const auto call = postAndWait(*center, server, first);
        EXPECT_EQ(call.body.toStdString(), c.body);
        EXPECT_EQ(server.questionsAsked(), 2);
    }
}

TEST_F(FreedesktopNotificationsTest, AServerThatStartsAfterTheAppIsAskedHowItReadsBodies) {
    for (const bool waitForTheQuestion : {false, true}) {
        SCOPED_TRACE(waitForTheQuestion ? "posted once the app asked the new server" : "posted as the server starts");
        auto center = makeCenter();
        // The first question finds no server.
        ASSERT_FALSE(client.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.Notifications")).value());
        NotificationServer server(*bus, withoutMarkup);
        if (waitForTheQuestion) {
            ASSERT_TRUE(spinUntil([&] { return server.questionsAsked() >= 1; }));
        }
        const auto call = postAndWait(*center, server, notice(NoticeCategory::job, "Build failed", "a <b> & c"));
        EXPECT_EQ(call.body.toStdString(), "a <b> & c");
    }
}

TEST_F(FreedesktopNotificationsTest, AReplacedServerIsAskedAgainAndItsOwnIdsAreTheOnesClicked) {
    auto center = makeCenter();
    std::vector<uint> oldIds;
    {
        NotificationServer plain(*bus, withoutMarkup);
        for (const char* n : {"1", "2"}) {
            const auto call = postAndWait(*center, plain, notice(NoticeCategory::job, "Job failed", "x < y", {{"n", n}}));
            EXPECT_EQ(call.body.toStdString(), "x < y");
            oldIds.push_back(call.id);
        }
    }
    NotificationServer markup(*bus, withMarkup);
    ASSERT_TRUE(spinUntil([&] { return markup.questionsAsked() >= 1; }));
    const auto call = postAndWait(*center, markup, notice(NoticeCategory::job, "Job failed", "x < y", {{"n", "3"}}));
    EXPECT_EQ(call.body.toStdString(), "x &lt; y");

    // The new server numbers afresh: its 2 is not the notice the old one numbered 2.
    ASSERT_EQ(oldIds, (std::vector<uint>{1, 2}));
    ASSERT_EQ(call.id, 1u);
    markup.invokeAction(2, QStringLiteral("default"));
    markup.invokeAction(call.id, QStringLiteral("default"));
    ASSERT_TRUE(spinUntil([&] { return !responses.empty(); }));
    EXPECT_EQ(responses, (std::vector<Response>{{"job", {{"n", "3"}}}}));
}

TEST_F(FreedesktopNotificationsTest, ANoticeWaitsOnlySoLongAndSoManyForAServerThatNeverAnswers) {
    struct Case {
        const char* name;
        FreedesktopNotifications::Limits limits;
        int posted;
        std::vector<std::string> delivered;  // the titles that go out without an answer
    };
    const Case cases[] = {
        {"too many waiting", {.heldNotices = 2, .holdTime = std::chrono::hours(1)}, 4, {"1", "2"}},
        {"waited too long", {.heldNotices = 32, .holdTime = std::chrono::milliseconds(1)}, 2, {"1", "2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        NotificationServer server(*bus);
        server.holdCapabilities();
        auto center = makeCenter(c.limits);
        for (int n = 1; n <= c.posted; ++n) center->post(notice(NoticeCategory::image, std::to_string(n), "a & b"));
        ASSERT_TRUE(spinUntil([&] { return server.calls().size() >= c.delivered.size(); }));
        std::vector<std::string> titles;
        for (const auto& call : server.calls()) {
            titles.push_back(call.summary.toStdString());
            EXPECT_EQ(call.body.toStdString(), "a &amp; b") << "unknown capabilities: escaped, which loses nothing";
        }
        EXPECT_EQ(titles, c.delivered);
        server.answerCapabilities();
    }
}

TEST_F(FreedesktopNotificationsTest, TextWithANulOrBrokenUtf8ArrivesWhole) {
    struct Case {
        const char* name;
        std::string text;
        const char* arrives;
    };
    const Case cases[] = {
        {"NUL", std::string("Job\0failed", 10), "Job\uFFFDfailed"},
        {"broken UTF-8", "Job \xC3 failed \x80!", "Job \uFFFD failed \uFFFD!"},
    };
    NotificationServer server(*bus, withoutMarkup);
    auto center = makeCenter();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto call = postAndWait(*center, server, notice(NoticeCategory::job, c.text, "Body: " + c.text));
        EXPECT_EQ(call.summary.toStdString(), c.arrives);
        EXPECT_EQ(call.body.toStdString(), std::string("Body: ") + c.arrives);
    }
}

TEST_F(FreedesktopNotificationsTest, AClickOnOurNoticeOrItsButtonGivesItsCategoryAndUserInfo) {
    NotificationServer server(*bus);
    auto center = makeCenter();
    for (const char* key : {"default", "UPDATE_PAYMENT"}) {
        SCOPED_TRACE(key);
        responses.clear();
        const auto call = postAndWait(*center, server,
                                      notice(NoticeCategory::billing, "Payment failed", "Update your card",
                                             {{"url", "https://example.com/billing"}, {"plan", "pro"}}));
        server.invokeAction(call.id, QString::fromUtf8(key));
        ASSERT_TRUE(spinUntil([&] { return !responses.empty(); }));
        EXPECT_EQ(responses, (std::vector<Response>{
                                 {"billing", {{"url", "https://example.com/billing"}, {"plan", "pro"}}}}));
    }
}

TEST_F(FreedesktopNotificationsTest, ClicksOnOtherClientsNoticesAndOnClosedOnesAreIgnored) {
    NotificationServer server(*bus);
    auto center = makeCenter();
    const auto closed = postAndWait(*center, server, notice(NoticeCategory::image, "Image ready", "", {{"n", "1"}}));
    const auto open = postAndWait(*center, server, notice(NoticeCategory::job, "Job failed", "", {{"n", "2"}}));

    server.invokeAction(open.id + 100, QStringLiteral("default"));
    server.close(open.id + 100, 2);
    server.close(closed.id, 2);
    server.invokeAction(closed.id, QStringLiteral("DETAILS"));
    // Signals arrive in the order sent: once this click is through, the ones before it are too.
    server.invokeAction(open.id, QStringLiteral("default"));
    ASSERT_TRUE(spinUntil([&] { return !responses.empty(); }));
    EXPECT_EQ(responses, (std::vector<Response>{{"job", {{"n", "2"}}}}));
}

TEST_F(FreedesktopNotificationsTest, OnlyTheLatestNoticesAreRemembered) {
    NotificationServer server(*bus);
    const std::size_t remembered = 3;
    auto center = makeCenter({.rememberedNotices = remembered});
    const int count = static_cast<int>(remembered) + 1;
    for (int n = 1; n <= count; ++n)
        center->post(notice(NoticeCategory::image, "Image", "", {{"n", std::to_string(n)}}));
    ASSERT_TRUE(spinUntil([&] { return server.calls().size() == static_cast<std::size_t>(count); }));

    // The first is forgotten; the second (now the oldest) and the last are not.
    for (const int n : {1, 2, count}) server.invokeAction(server.calls()[n - 1].id, QStringLiteral("default"));
    ASSERT_TRUE(spinUntil([&] { return responses.size() >= 2; }));
    EXPECT_EQ(responses, (std::vector<Response>{{"image", {{"n", "2"}}}, {"image", {{"n", std::to_string(count)}}}}));
}

TEST_F(FreedesktopNotificationsTest, ANoticeStaysClickableWhileTheServerShowsIt) {
    NotificationServer server(*bus);
    auto center = makeCenter();
    const int count = 100;
    // The first once the server has said how it reads bodies, so the rest go out at once.
    postAndWait(*center, server, notice(NoticeCategory::image, "Image", "", {{"n", "1"}}));
    for (int n = 2; n <= count; ++n)
        center->post(notice(NoticeCategory::image, "Image", "", {{"n", std::to_string(n)}}));
    ASSERT_TRUE(spinUntil([&] { return server.calls().size() == static_cast<std::size_t>(count); }));

    // The oldest, 99 notices later, and one past the last 64; a closed one is not.
    server.close(server.calls()[1].id, 1);
    for (const int n : {1, 2, count - 64}) server.invokeAction(server.calls()[n - 1].id, QStringLiteral("default"));
    ASSERT_TRUE(spinUntil([&] { return responses.size() >= 2; }));
    EXPECT_EQ(responses, (std::vector<Response>{{"image", {{"n", "1"}}}, {"image", {{"n", std::to_string(count - 64)}}}}));
}

TEST_F(FreedesktopNotificationsTest, WithNoServerANoticeIsDroppedAndALaterServerIsUsed) {
    auto center = makeCenter();
    center->post(notice(NoticeCategory::plan, "Dropped", ""));
    // A blocking question on the same connection: the bus has routed the notice (to no one)
    // before it answers.
    ASSERT_FALSE(client.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.Notifications")).value());

    NotificationServer server(*bus);
    const auto call = postAndWait(*center, server, notice(NoticeCategory::plan, "Delivered", "", {{"n", "2"}}));
    ASSERT_EQ(server.calls().size(), 1u);
    EXPECT_EQ(call.summary.toStdString(), "Delivered");
    server.invokeAction(call.id, QStringLiteral("UPGRADE_PRO"));
    ASSERT_TRUE(spinUntil([&] { return !responses.empty(); }));
    EXPECT_EQ(responses, (std::vector<Response>{{"plan", {{"n", "2"}}}}));
}

TEST(FreedesktopNotifications, WithoutABusItSaysSoOnceAndPostsNothing) {
    test::ensureApp();
    const QString name = QStringLiteral("quillmarsh-test-no-bus");
    {
        const auto bus = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), name);
        ASSERT_FALSE(bus.isConnected());
        testing::internal::CaptureStderr();
        {
            FreedesktopNotifications center(bus, "org.quillmarsh.app");
            center.setOnResponse([](const Response&) { ADD_FAILURE() << "no response without a bus"; });
            center.post(notice(NoticeCategory::job, "Job failed", "body"));
            center.post(notice(NoticeCategory::image, "Image ready", "body"));
            QCoreApplication::processEvents();
        }
        const std::string logged = testing::internal::GetCapturedStderr();
        EXPECT_EQ(logged, "Quillmarsh: notifications are off: there is no session bus\n");
    }
    QDBusConnection::disconnectFromBus(name);
}

TEST(FreedesktopNotifications, EscapesOnlyTheThreeMarkupCharacters) {
    EXPECT_EQ(FreedesktopNotifications::escapedBody(QStringLiteral("<b>Tom & \"Jerry\"</b> 'x' &amp; ü…"))
                  .toStdString(),
              "&lt;b&gt;Tom &amp; \"Jerry\"&lt;/b&gt; 'x' &amp;amp; ü…");
}

} // namespace
} // namespace quillmarsh
