#include "Platform/FreedesktopNotifications.h"
#include "Support/NotificationServer.h"
#include "Support/PrivateBus.h"
#include "Support/TestApplication.h"

#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCall>

#include <gtest/gtest.h>

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
    std::unique_ptr<FreedesktopNotifications> makeCenter() {
        client = bus->connect(QStringLiteral("client"));
        auto center = std::make_unique<FreedesktopNotifications>(client, "org.quillmarsh.app");
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

TEST_F(FreedesktopNotificationsTest, BodyIsEscapedUnlessTheServerListsNoBodyMarkup) {
    struct Case {
        const char* name;
        QStringList capabilities;
        const char* bodyOnceAnswered;
    };
    const Case cases[] = {
        {"markup", withMarkup, "Memory &lt;10% &amp; falling"},
        {"plain text", withoutMarkup, "Memory <10% & falling"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        responses.clear();
        NotificationServer server(*bus, c.capabilities);
        server.holdCapabilities();
        auto center = makeCenter();
        const auto first = notice(NoticeCategory::takingBreak, "Taking a <break> & more", "Memory <10% & falling");

        // Before the server has answered, the body goes out escaped; the title never is.
        auto call = postAndWait(*center, server, first);
        EXPECT_EQ(call.body.toStdString(), "Memory &lt;10% &amp; falling");
        EXPECT_EQ(call.summary.toStdString(), "Taking a <break> & more");

        EXPECT_EQ(server.answerCapabilities(), 1);
        // The server's next signal arrives after its answer, so once the click is through the
        // center knows the capabilities.
        server.invokeAction(call.id, QStringLiteral("default"));
        ASSERT_TRUE(spinUntil([&] { return responses.size() == 1; }));

        call = postAndWait(*center, server, first);
        EXPECT_EQ(call.body.toStdString(), c.bodyOnceAnswered);
        EXPECT_EQ(call.summary.toStdString(), "Taking a <break> & more");
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
    auto center = makeCenter();
    const int count = static_cast<int>(FreedesktopNotifications::rememberedNotices) + 1;
    for (int n = 1; n <= count; ++n)
        center->post(notice(NoticeCategory::image, "Image", "", {{"n", std::to_string(n)}}));
    ASSERT_TRUE(spinUntil([&] { return server.calls().size() == static_cast<std::size_t>(count); }));

    // The first is forgotten; the second (now the oldest) and the last are not.
    for (const int n : {1, 2, count}) server.invokeAction(server.calls()[n - 1].id, QStringLiteral("default"));
    ASSERT_TRUE(spinUntil([&] { return responses.size() >= 2; }));
    EXPECT_EQ(responses, (std::vector<Response>{{"image", {{"n", "2"}}}, {"image", {{"n", std::to_string(count)}}}}));
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
