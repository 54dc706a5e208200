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
