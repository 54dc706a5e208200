#include "Platform/HttpClient.h"
#include "Support/HttpTestServer.h"

#include <gtest/gtest.h>

using namespace quillmarsh;
using quillmarsh::test::HttpTestServer;
using namespace std::chrono_literals;

TEST(HttpClientTest, ReturnsStatusBodyAndSendsTheGivenHeaders) {
    HttpTestServer server;
    server.route("/mac/latest", HttpTestServer::Reply::text("1.4.1\n"));
    auto ok = HttpClient::get({server.baseURL() + "/mac/latest", {{"User-Agent", "quillmarsh-mac"}}});
    EXPECT_EQ(ok.status, 200);
    EXPECT_EQ(ok.body, "1.4.1\n");
    auto missing = HttpClient::get({server.baseURL() + "/nothing"});
    EXPECT_EQ(missing.status, 404);
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].headers["user-agent"], "quillmarsh-mac");
    EXPECT_FALSE(requests[1].headers.contains("user-agent"));
}

TEST(HttpClientTest, FollowsRedirects) {
    HttpTestServer server;
    HttpTestServer::Reply moved = HttpTestServer::Reply::text("", 302);
    moved.headers = {{"Location", "/final"}};
    server.route("/start", moved);
    server.route("/final", HttpTestServer::Reply::text("here"));
    auto response = HttpClient::get({server.baseURL() + "/start"});
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.body, "here");
}

TEST(HttpClientTest, TransportFailuresThrowWithADescription) {
    HttpTestServer server;
    server.route("/big", HttpTestServer::Reply::text(std::string(2000, 'x')));
    server.route("/stall", HttpTestServer::Reply::stalled("0123456789", 3));
    struct Case {
        HttpClient::Request request;
        std::string expected;
    };
    const Case cases[] = {
        {{server.baseURL() + "/big", {}, 5s, 1999}, "is larger than 1999 bytes"},
        {{server.baseURL() + "/stall", {}, 300ms}, "The request timed out."},
        {{"ftp://127.0.0.1/x"}, "failed"},
        {{"http://127.0.0.1:1/x", {}, 5s}, "failed"},
    };
    for (const auto& c : cases) {
        try {
            HttpClient::get(c.request);
            ADD_FAILURE() << c.request.url << " did not throw";
        } catch (const HttpError& error) {
            EXPECT_NE(std::string(error.what()).find(c.expected), std::string::npos) << error.what();
        }
    }
    // A body exactly at its cap is whole.
    EXPECT_EQ(HttpClient::get({server.baseURL() + "/big", {}, 5s, 2000}).body.size(), 2000u);
}

TEST(HttpClientTest, SmallFilesHaveADeadlineAndTheArchiveAMinimumRateInstead) {
    const HttpClient::Request small{"http://127.0.0.1/mac/latest", {}, 20s};
    EXPECT_EQ(small.deadline, HttpClient::smallFileDeadline);
    EXPECT_EQ(HttpClient::smallFileDeadline, 120s);
    EXPECT_FALSE(small.minimumRate);
    EXPECT_EQ(HttpClient::Request{}.deadline, HttpClient::smallFileDeadline);

    const auto archive = HttpClient::Request::archive("http://127.0.0.1/a.zip", {{"User-Agent", "quillmarsh-mac"}});
    EXPECT_EQ(archive.url, "http://127.0.0.1/a.zip");
    EXPECT_EQ(archive.headers.size(), 1u);
    EXPECT_FALSE(archive.deadline);
    EXPECT_EQ(archive.inactivityTimeout, 60s);
    EXPECT_EQ(archive.maxBodyBytes, HttpClient::archiveBodyLimit);
    ASSERT_TRUE(archive.minimumRate);
    EXPECT_EQ(*archive.minimumRate, HttpClient::archiveMinimumRate);
    EXPECT_EQ(HttpClient::archiveMinimumRate, (HttpClient::MinimumRate{8 * 1024, 120s}));
}

// A server that sends a byte every 200 ms is never quiet for the 1 s inactivity time-out, and
// would take 10 s for the whole body.
TEST(HttpClientTest, TheDeadlineCutsOffADripThatTheInactivityTimeOutNeverSees) {
    HttpTestServer server;
    server.route("/latest", HttpTestServer::Reply::dripping(std::string(50, 'x'), 200ms));
    HttpClient::Request request{server.baseURL() + "/latest", {}, 1s};
    request.deadline = 1500ms;
    auto started = std::chrono::steady_clock::now();
    try {
        HttpClient::get(request);
        ADD_FAILURE() << "the drip was read to its end";
    } catch (const HttpError& error) {
        EXPECT_EQ(std::string(error.what()), "The request to " + request.url + " did not finish within 1.5 seconds.");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
}

TEST(HttpClientTest, AMinimumRateCutsOffADripButNotASteadyTransfer) {
    HttpTestServer server;
    // 10 bytes a second, 6 s in all.
    server.route("/drip", HttpTestServer::Reply::dripping(std::string(60, 'x'), 100ms));
    // 1000 bytes every 300 ms: nothing in the first 300 ms, then well over 1000 bytes a second.
    server.route("/steady", HttpTestServer::Reply::dripping(std::string(4000, 'y'), 300ms, 1000));
    struct Case {
        std::string target;
        HttpClient::MinimumRate rate;
        std::string error;  // empty: the whole body arrives
    };
    const Case cases[] = {
        {"/drip", {1000, 500ms}, "is too slow: "},
        {"/steady", {1000, 500ms}, ""},
        // The grace period is what lets the slow start through.
        {"/steady", {1000, 0ms}, "is too slow: "},
    };
    for (const auto& c : cases) {
        HttpClient::Request request{server.baseURL() + c.target, {}, 5s};
        request.deadline.reset();
        request.minimumRate = c.rate;
        auto started = std::chrono::steady_clock::now();
        try {
            auto response = HttpClient::get(request);
            EXPECT_EQ(c.error, "") << c.target << " was not cut off";
            EXPECT_EQ(response.body, std::string(4000, 'y'));
        } catch (const HttpError& error) {
            std::string text = error.what();
            EXPECT_NE(c.error, "") << text;
            EXPECT_TRUE(text.starts_with("The download from " + request.url + " is too slow: ")) << text;
            EXPECT_TRUE(text.ends_with(" seconds.")) << text;
        }
        EXPECT_LT(std::chrono::steady_clock::now() - started, 4s) << c.target;
    }
}
