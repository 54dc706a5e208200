#include "Agent/AgentClient.h"
#include "Foundation/JsonObject.h"
#include "Foundation/UniqueFd.h"
#include "Support/FakeAgent.h"
#include "Support/TempFolder.h"
#include "Words/MenuModel.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <new>
#include <optional>
#include <string>
#include <variant>

#include <pwd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace quillmarsh {
namespace {

using namespace std::chrono_literals;
using test::FakeAgent;

constexpr auto kShort = 200ms;

} // namespace

// Readable failures for AgentError values.
void PrintTo(const AgentError& error, std::ostream* out) {
    *out << "AgentError(" << static_cast<int>(error.kind()) << ", " << error.status() << ", \""
         << error.message() << "\", " << error.next().value_or("(none)") << ")";
}

namespace {

// A tiny record for the decode step: {"name": text, "at": RFC 3339 date}.
struct Sample {
    std::string name;
    Date at;
    static Sample decode(const nlohmann::json& value) {
        JsonObject object(value, "Sample");
        std::string at = object.string("at");
        auto date = MenuModel::parseRFC3339(at);
        if (!date) object.fail("at", "not a date: " + at);
        return {object.string("name"), *date};
    }
};

// How long a call takes.
std::chrono::milliseconds timed(const std::function<void()>& call) {
    const auto start = std::chrono::steady_clock::now();
    call();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

// "[{},{},…]" with n elements: JsonText counts n + 1 values.
std::string emptyObjects(std::size_t n) {
    std::string text = "[";
    for (std::size_t i = 0; i < n; ++i) text += i ? ",{}" : "{}";
    return text + "]";
}

AgentError::Kind kindOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const AgentError& error) {
        return error.kind();
    }
    ADD_FAILURE() << "no AgentError thrown";
    return AgentError::Kind::http;
}

// --- The request on the wire -------------------------------------------------------------

TEST(AgentClientRequest, GetAndPostSendExactBytes) {
    FakeAgent agent;
    agent.route("GET", "/status", FakeAgent::Reply::json(R"({"name":"a","at":"2026-12-10T09:00:00Z"})"));
    agent.route("POST", "/jobs/stop", FakeAgent::Reply::json(R"({"name":"b","at":"2026-12-10T09:00:00.5Z"})"));
    AgentClient client(agent.socketPath(), kShort);

    EXPECT_EQ(client.get<Sample>("/status").name, "a");
    Sample posted = client.post<Sample>("/jobs/stop", nlohmann::json::object());
    EXPECT_EQ(posted.name, "b");
    EXPECT_EQ(posted.at, Date::fromSecondsSince1970(1796893200.5));

    auto requests = agent.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].bytes,
              "GET /status HTTP/1.1\r\nHost: agent\r\nAccept: application/json\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(requests[1].bytes,
              "POST /jobs/stop HTTP/1.1\r\nHost: agent\r\nAccept: application/json\r\nConnection: close\r\n"
              "Content-Type: application/json\r\nContent-Length: 2\r\n\r\n{}");
}

TEST(AgentClientRequest, PathIsSentAsGivenAndEmptyBodyStillGetsBodyHeaders) {
    FakeAgent agent;
    AgentClient client(agent.socketPath(), kShort);
    (void)client.raw("GET", "/jobs/a b/log?since=12", std::nullopt);
    (void)client.raw("POST", "/update", std::string());
    auto requests = agent.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].target, "/jobs/a");  // sent raw, not percent-encoded
    EXPECT_TRUE(requests[0].bytes.starts_with("GET /jobs/a b/log?since=12 HTTP/1.1\r\n"));
    EXPECT_NE(requests[1].bytes.find("Content-Type: application/json\r\nContent-Length: 0\r\n\r\n"),
              std::string::npos);
}

TEST(AgentClientRequest, UnserialisableBodyThrowsTheSerialiserErrorAndSendsNothing) {
    FakeAgent agent;
    AgentClient client(agent.socketPath(), kShort);
    nlohmann::json badText = {{"repository", std::string("acme/\xff")}};
    EXPECT_THROW(client.post("/caches/clear", badText, Sample::decode), nlohmann::json::type_error);
    nlohmann::json notFinite = {{"vm_memory_percent", std::numeric_limits<double>::infinity()}};
    EXPECT_THROW(client.post("/policy", notFinite, Sample::decode), std::invalid_argument);
    EXPECT_EQ(agent.connections(), 0u);
}

// --- Reading answers ----------------------------------------------------------------------

struct ParseCase {
    const char* name;
    std::string answer;
    // Either the body of a success, or the error expected.
    std::variant<std::string, AgentError> expected;
};

TEST(AgentClientParse, Table) {
    const std::string ok = "HTTP/1.1 200 OK\r\n";
    const std::string chunkedBody = "4\r\nWiki\r\n5\r\npedia\r\n0\r\n\r\n";
    const ParseCase cases[] = {
        {"plain success", ok + "Content-Type: application/json\r\n\r\n{\"a\":1}", std::string("{\"a\":1}")},
        {"empty success body", ok + "\r\n", std::string()},
        {"body longer than its Content-Length is taken whole", ok + "Content-Length: 2\r\n\r\n{}trailing",
         std::string("{}trailing")},
        {"no head end", "HTTP/1.1 200 OK\r\n{}", AgentError::badResponse()},
        {"empty answer", "", AgentError::badResponse()},
        {"two spaces in the status line", "HTTP/1.1  200  OK\r\n\r\nx", std::string("x")},
        {"status line without reason", "HTTP/1.1 204\r\n\r\n", std::string()},
        {"status word not a number", "HTTP/1.1 OK 200\r\n\r\n", AgentError::badResponse()},
        {"first line without a space", "HTTP/1.1\r\n\r\n", AgentError::badResponse()},
        {"status with trailing letters", "HTTP/1.1 200x OK\r\n\r\n", AgentError::badResponse()},
        {"chunked", ok + "Transfer-Encoding: chunked\r\n\r\n" + chunkedBody, std::string("Wikipedia")},
        {"chunked in capitals", ok + "TRANSFER-ENCODING: CHUNKED\r\n\r\n" + chunkedBody, std::string("Wikipedia")},
        {"chunked after another coding", ok + "Transfer-Encoding: gzip, chunked\r\n\r\n" + chunkedBody,
         std::string("Wikipedia")},
        {"last transfer-encoding decides (off)",
         ok + "Transfer-Encoding: chunked\r\nTransfer-Encoding: identity\r\n\r\n" + chunkedBody, chunkedBody},
        {"last transfer-encoding decides (on)",
         ok + "Transfer-Encoding: identity\r\nTransfer-Encoding: chunked\r\n\r\n" + chunkedBody,
         std::string("Wikipedia")},
        {"404 plain text", "HTTP/1.1 404 Not Found\r\n\r\n404 page not found", AgentError::missingRoute()},
        {"404 with error body", "HTTP/1.1 404 Not Found\r\n\r\n"
                                R"({"error":{"code":"no_job","message":"No such job.","next":"Reload the list."}})",
         AgentError::http(404, "No such job.", "Reload the list.")},
        {"405 without error body", "HTTP/1.1 405 Method Not Allowed\r\n\r\n",
         AgentError::http(405, "The Quillmarsh agent answered 405.")},
        {"503 with a body that is not an error body", "HTTP/1.1 503 Busy\r\n\r\n{\"error\":\"busy\"}",
         AgentError::http(503, "The Quillmarsh agent answered 503.")},
        {"error body with null next", "HTTP/1.1 409 Conflict\r\n\r\n"
                                      R"({"error":{"code":"c","message":"Paused.","next":null}})",
         AgentError::http(409, "Paused.")},
        {"error body without next", "HTTP/1.1 409 Conflict\r\n\r\n"
                                    R"({"error":{"code":"c","message":"Paused."}})",
         AgentError::http(409, "Paused.")},
        {"error body without code is no error body", "HTTP/1.1 409 Conflict\r\n\r\n"
                                                     R"({"error":{"message":"Paused."}})",
         AgentError::http(409, "The Quillmarsh agent answered 409.")},
        {"error body with a number for next is no error body", "HTTP/1.1 404 Not Found\r\n\r\n"
                                                               R"({"error":{"code":"c","message":"m","next":1}})",
         AgentError::missingRoute()},
        {"chunked error body is de-chunked first",
         "HTTP/1.1 500 Oops\r\nTransfer-Encoding: chunked\r\n\r\n"
         "15\r\n{\"error\":{\"code\":\"x\",\r\n18\r\n\"message\":\"Disk full.\"}}\r\n0\r\n\r\n",
         AgentError::http(500, "Disk full.")},
        {"negative status", "HTTP/1.1 -5 Odd\r\n\r\n", AgentError::http(-5, "The Quillmarsh agent answered -5.")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (const auto* body = std::get_if<std::string>(&c.expected)) {
            EXPECT_EQ(AgentClient::parse(c.answer), *body);
        } else {
            const auto& want = std::get<AgentError>(c.expected);
            try {
                (void)AgentClient::parse(c.answer);
                ADD_FAILURE() << "parsed";
            } catch (const AgentError& error) {
                EXPECT_EQ(error, want);
                EXPECT_EQ(error.errorDescription(), want.errorDescription());
            }
        }
    }
}

TEST(AgentClientParse, DescriptionsAreTheUserTexts) {
    AgentError http = AgentError::http(409, "Jobs are paused.", "Resume first.");
    EXPECT_EQ(http.errorDescription(), "Jobs are paused.");  // the next step is not part of it
    EXPECT_STREQ(http.what(), "Jobs are paused.");
}

TEST(AgentClientDechunk, Table) {
    struct Case {
        const char* name;
        std::string input, output;
    } const cases[] = {
        {"two chunks and the end", "4\r\nWiki\r\n5\r\npedia\r\n0\r\n\r\n", "Wikipedia"},
        {"extension after ;", "4;name=x\r\nWiki\r\n0\r\n\r\n", "Wiki"},
        {"spaces and tabs around the digits", " \t4 \r\nWiki\r\n 5\t;ext\r\npedia\r\n0\r\n", "Wikipedia"},
        {"upper and lower hex", "A\r\n0123456789\r\na\r\nabcdefghij\r\n0\r\n\r\n", "0123456789abcdefghij"},
        {"leading plus", "+4\r\nWiki\r\n0\r\n\r\n", "Wiki"},
        {"claims more than remains", "10\r\nshort", "short"},
        {"chunk followed by a single byte", "4\r\nWiki\r", "Wiki"},
        {"chunk followed by nothing", "4\r\nWiki", "Wiki"},
        {"closing bytes are not examined", "4\r\nWikiXY3\r\npedia", "Wikiped"},
        {"first line not a size", "hello\r\nworld\r\n", ""},
        {"no line end at all", "4", ""},
        {"empty size line", "\r\nWiki\r\n", ""},
        {"only an extension", ";x\r\nWiki\r\n", ""},
        {"negative size stops", "4\r\nWiki\r\n-2\r\nxx\r\n", "Wiki"},
        {"too large a size stops", "4\r\nWiki\r\n8000000000000000\r\nxx\r\n", "Wiki"},
        {"largest size takes the rest", "7fffffffffffffff\r\nabc", "abc"},
        {"trailers are not read", "4\r\nWiki\r\n0\r\nX-Trailer: 1\r\n\r\n", "Wiki"},
        {"empty input", "", ""},
        {"binary data kept", std::string("3\r\n\0\r\n\r\n0\r\n", 11), std::string("\0\r\n", 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AgentClient::dechunk(c.input), c.output);
    }
}

TEST(AgentClientStatusCode, Table) {
    struct Case {
        std::string answer;
        std::optional<std::int64_t> status;
    } const cases[] = {
        {"HTTP/1.1 405 Method Not Allowed\r\n\r\n", 405},
        {"HTTP/1.1   200\r\n", 200},
        {"HTTP/1.1 200 OK", std::nullopt},         // no line end
        {"HTTP/1.1\r\n\r\n", std::nullopt},          // no second piece
        {"HTTP/1.1 abc\r\n", std::nullopt},
        {"HTTP/1.1 99999999999999999999\r\n", std::nullopt},
        {"", std::nullopt},
        {"X +201 Y\r\n", 201},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        EXPECT_EQ(AgentClient::statusCode(c.answer), c.status);
    }
}

// --- Decoding through get ----------------------------------------------------------------

TEST(AgentClientDecode, FailuresBecomeBadResponse) {
    FakeAgent agent;
    agent.route("GET", "/empty", FakeAgent::Reply::json(""));
    agent.route("GET", "/no-time", FakeAgent::Reply::json(R"({"name":"a","at":"2026-12-10"})"));
    agent.route("GET", "/trailing", FakeAgent::Reply::json(R"({"name":"a","at":"2026-12-10T09:00:00Z"} x)"));
    agent.route("GET", "/wrong-kind", FakeAgent::Reply::json(R"({"name":5,"at":"2026-12-10T09:00:00Z"})"));
    AgentClient client(agent.socketPath(), kShort);
    for (const char* path : {"/empty", "/no-time", "/trailing", "/wrong-kind"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(kindOf([&] { client.get(path, Sample::decode); }), AgentError::Kind::badResponse);
    }
}

TEST(AgentClientDecode, ChunkedAnswerInSeveralWrites) {
    FakeAgent agent;
    agent.route("GET", "/status",
                FakeAgent::Reply::chunked({R"({"name":)", R"("chunk)", R"(ed","at":"2026-12-10T09:00:00Z"})"}));
    AgentClient client(agent.socketPath(), kShort);
    EXPECT_EQ(client.get("/status", Sample::decode).name, "chunked");
}

TEST(AgentClientDecode, ErrorAnswersReachTheCaller) {
    FakeAgent agent;
    agent.route("POST", "/policy", FakeAgent::Reply::error(400, "bad_field", "Unknown setting.", "Update the app."));
    AgentClient client(agent.socketPath(), kShort);
    try {
        client.post("/policy", {{"paused", true}}, Sample::decode);
        FAIL() << "no error";
    } catch (const AgentError& error) {
        EXPECT_EQ(error, AgentError::http(400, "Unknown setting.", "Update the app."));
    }
    EXPECT_EQ(kindOf([&] { client.get("/nowhere", Sample::decode); }), AgentError::Kind::missingRoute);
}

// --- Sockets that misbehave ---------------------------------------------------------------

TEST(AgentClientSocket, PeerThatClosesWithoutReadingGivesNotRunning) {
    FakeAgent agent;
    agent.setCloseOnAccept(true);
    AgentClient client(agent.socketPath(), kShort);
    // Larger than any socket buffer, so the write is still under way when the peer closes.
    nlohmann::json big = {{"pad", std::string(8 << 20, 'x')}};
    EXPECT_EQ(kindOf([&] { client.post("/policy", big, Sample::decode); }), AgentError::Kind::notRunning);
    // Still alive (no SIGPIPE) and the next call works once the agent answers again.
    agent.setCloseOnAccept(false);
    agent.route("GET", "/status", FakeAgent::Reply::json(R"({"name":"ok","at":"2026-12-10T09:00:00Z"})"));
    EXPECT_EQ(client.get("/status", Sample::decode).name, "ok");
}

TEST(AgentClientSocket, PeerThatNeverAnswersGivesBadResponseAfterTheTimeout) {
    FakeAgent agent;
    agent.route("GET", "/status", FakeAgent::Reply::silent());
    AgentClient client(agent.socketPath(), kShort);
    EXPECT_EQ(kindOf([&] { client.get("/status", Sample::decode); }), AgentError::Kind::badResponse);
    EXPECT_EQ(client.raw("GET", "/status", std::nullopt), "");
}

TEST(AgentClientSocket, HalfAnAnswerGivesBadResponse) {
    FakeAgent agent;
    agent.route("GET", "/status", FakeAgent::Reply::half(R"({"name":"a","at":"2026-12-10T09:00:00Z"})"));
    AgentClient client(agent.socketPath(), kShort);
    EXPECT_EQ(kindOf([&] { client.get("/status", Sample::decode); }), AgentError::Kind::badResponse);
}

TEST(AgentClientSocket, NothingListeningGivesNotRunning) {
    const test::TempFolder folder("qm");
    const std::string dir = folder.string();

    // A socket file whose listener has gone (at the end of the block).
    const std::string stale = dir + "/stale.sock";
    {
        const UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM, 0));
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, stale.c_str());
        ASSERT_EQ(::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    }
    // A regular file at the path.
    const std::string plain = folder.write("plain.sock", "not a socket");

    for (const std::string& path : {stale, plain, dir + "/missing.sock"}) {
        SCOPED_TRACE(path);
        AgentClient client(path, kShort);
        EXPECT_EQ(kindOf([&] { client.raw("GET", "/status", std::nullopt); }), AgentError::Kind::notRunning);
    }
}

TEST(AgentClientSocket, PathLimitIs103BytesEvenWithALiveListener) {
    const test::TempFolder folder("qm");
    const std::string dir = folder.string();
    auto pathOf = [&](std::size_t length) {
        std::string prefix = dir + "/";
        return prefix + std::string(length - prefix.size() - 5, 'p') + ".sock";
    };
    for (std::size_t length : {std::size_t{103}, std::size_t{104}}) {
        SCOPED_TRACE(length);
        std::string path = pathOf(length);
        ASSERT_EQ(path.size(), length);
        FakeAgent agent(path);
        agent.route("GET", "/status", FakeAgent::Reply::json(R"({"name":"a","at":"2026-12-10T09:00:00Z"})"));
        AgentClient client(path, kShort);
        if (length <= AgentClient::maxPathBytes) {
            EXPECT_EQ(client.get("/status", Sample::decode).name, "a");
        } else {
            EXPECT_EQ(kindOf([&] { client.get("/status", Sample::decode); }), AgentError::Kind::notRunning);
            EXPECT_EQ(agent.connections(), 0u);
        }
    }
}

// --- Agents that cost without end -------------------------------------------------------

TEST(AgentClientLimits, EndlessAnswerStopsAtTheCapWithBadResponse) {
    FakeAgent agent;
    agent.route("GET", "/status", FakeAgent::Reply::endless());
    AgentClient client(agent.socketPath(), std::chrono::seconds(5));
    EXPECT_EQ(kindOf([&] { client.raw("GET", "/status", std::nullopt); }), AgentError::Kind::badResponse);
    EXPECT_EQ(kindOf([&] { client.get("/status", Sample::decode); }), AgentError::Kind::badResponse);
}

TEST(AgentClientLimits, AnswerThatOutgrowsMemoryIsABadResponse) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's shadow memory leaves no room to limit the address space";
#endif
    FakeAgent agent;
    agent.route("GET", "/status", FakeAgent::Reply::endless());
    AgentClient client(agent.socketPath(), std::chrono::seconds(5));
    // One exchange first, so the agent's thread has its stack and heap before the limit.
    EXPECT_EQ(AgentClient::statusCode(client.raw("GET", "/nowhere", std::nullopt)), 404);

    // This process's address space now, from the kernel's own account.
    std::ifstream status("/proc/self/status");
    std::size_t kib = 0;
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmSize:")) kib = std::stoull(line.substr(7));
    ASSERT_GT(kib, 0u);
    // Room for far less than a whole capped answer: holding the answer runs out of memory first.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_AS, &saved), 0);
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(kib) * 1024 + (AgentClient::maxAnswerBytes * 3 / 4);
    ASSERT_EQ(::setrlimit(RLIMIT_AS, &tight), 0);
    std::optional<AgentError::Kind> kind;
    bool otherError = false;
    try {
        (void)client.raw("GET", "/status", std::nullopt);
    } catch (const AgentError& error) {
        kind = error.kind();
    } catch (const std::bad_alloc&) {
        otherError = true;
    }
    ::setrlimit(RLIMIT_AS, &saved);
    EXPECT_FALSE(otherError) << "std::bad_alloc escaped";
    EXPECT_EQ(kind, AgentError::Kind::badResponse);
}

TEST(AgentClientLimits, ValueBudgetOfTheDecodedAnswer) {
    FakeAgent agent;
    // Exactly the budget, and one value more.
    agent.route("GET", "/fits", FakeAgent::Reply::json(emptyObjects(AgentClient::maxAnswerValues - 1)));
    agent.route("GET", "/over", FakeAgent::Reply::json(emptyObjects(AgentClient::maxAnswerValues)));
    AgentClient client(agent.socketPath(), std::chrono::seconds(5));
    auto count = [](const nlohmann::json& value) { return value.size(); };
    EXPECT_EQ(client.get("/fits", count), AgentClient::maxAnswerValues - 1);
    EXPECT_EQ(kindOf([&] { client.get("/over", count); }), AgentError::Kind::badResponse);
}

// --- Deadlines ----------------------------------------------------------------------------

TEST(AgentClientDeadline, DrippingAgentIsCutOffAtTheDeadline) {
    FakeAgent agent;
    // Each byte comes well within the time-out, the whole answer in about half a minute.
    agent.route("GET", "/status", FakeAgent::Reply::drip(R"({"name":"a","at":"2026-12-10T09:00:00Z"})",
                                                        std::chrono::milliseconds(200)));
    AgentClient client(agent.socketPath(), std::chrono::seconds(1), std::chrono::seconds(2));
    EXPECT_EQ(client.deadline(), std::chrono::seconds(2));
    std::optional<AgentError::Kind> kind;
    const auto took = timed([&] { kind = kindOf([&] { client.get("/status", Sample::decode); }); });
    EXPECT_EQ(kind, AgentError::Kind::badResponse);
    EXPECT_LT(took, std::chrono::seconds(5));
}

TEST(AgentClientDeadline, AnswerCompleteByItsFramingEndsWithoutTheClose) {
    const std::string sample = R"({"name":"held","at":"2026-12-10T09:00:00Z"})";
    const std::string ok = "HTTP/1.1 200 OK\r\n";
    struct Case {
        const char* name;
        FakeAgent::Reply reply;
        std::string body;  // what parse() gives
    } const cases[] = {
        {"content-length", FakeAgent::Reply::json(sample), sample},
        {"chunked", FakeAgent::Reply::chunked({sample.substr(0, 10), sample.substr(10)}), sample},
        {"no body by status", FakeAgent::Reply::raw({"HTTP/1.1 204 No Content\r\n\r\n"}), ""},
        // More than the Content-Length, the rest in a write of its own: still taken whole.
        {"bytes after the length", FakeAgent::Reply::raw({ok + "Content-Length: 2\r\n\r\n{}", "trailing"}),
         "{}trailing"},
    };
    FakeAgent agent;
    auto route = [](std::size_t i) { return "/case/" + std::to_string(i); };
    for (std::size_t i = 0; i < std::size(cases); ++i) agent.route("GET", route(i), FakeAgent::Reply::held(cases[i].reply));
    // Without the framing each call would wait out the whole time-out.
    AgentClient client(agent.socketPath(), std::chrono::seconds(20));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        AgentClient::Bytes answer;
        const auto took = timed([&] { answer = client.raw("GET", route(i), std::nullopt); });
        EXPECT_LT(took, std::chrono::seconds(5));
        EXPECT_EQ(AgentClient::parse(answer), cases[i].body);
    }
    EXPECT_EQ(client.get(route(1), Sample::decode).name, "held");
}

TEST(AgentClientFraming, CompleteOnlyWhenTheFramingSaysSo) {
    const std::string ok = "HTTP/1.1 200 OK\r\n";
    const std::string chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";
    struct Case {
        const char* name;
        std::string answer;
        bool complete;
    } const cases[] = {
        {"nothing yet", "", false},
        {"head not ended", ok + "Content-Length: 0\r\n\r", false},
        {"empty by its length", ok + "Content-Length: 0\r\n\r\n", true},
        {"short of its length", ok + "Content-Length: 3\r\n\r\n{}", false},
        {"at its length", ok + "content-length:\t2 \r\n\r\n{}", true},
        {"past its length", ok + "Content-Length: 2\r\n\r\n{}xyz", true},
        {"no framing: until the close", ok + "Content-Type: application/json\r\n\r\n{}", false},
        {"repeated length that agrees", ok + "Content-Length: 2\r\nContent-Length: 2\r\n\r\n{}", true},
        {"lengths that disagree", ok + "Content-Length: 2\r\nContent-Length: 1\r\n\r\n{}", false},
        {"length not a count", ok + "Content-Length: +2\r\n\r\n{}", false},
        {"length beyond the cap", ok + "Content-Length: 99999999999\r\n\r\n{}", false},
        {"204 needs no length", "HTTP/1.1 204 No Content\r\n\r\n", true},
        {"304 needs no length", "HTTP/1.1 304 Not Modified\r\n\r\n", true},
        {"chunks without the last", chunked + "4\r\nWiki\r\n5;x\r\npedia\r\n", false},
        {"last chunk line not ended", chunked + "4\r\nWiki\r\n0", false},
        {"last chunk", chunked + "4\r\nWiki\r\n5;x\r\npedia\r\n0\r\n", true},
        {"last chunk with an extension and trailers", chunked + "4\r\nWiki\r\n0;e=1\r\nX: 1\r\n\r\n", true},
        {"data short of its size", chunked + "a\r\nWiki\r\n0\r\n", false},
        {"a size dechunk stops at", chunked + "4\r\nWiki\r\nzz\r\n0\r\n", false},
        {"a size beyond the cap", chunked + "7fffffffffffffff\r\nabc\r\n0\r\n", false},
        {"chunked wins over a length", ok + "Content-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\n1\r\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AgentClient::Framing().complete(c.answer), c.complete);
        // Byte by byte, as the bytes may arrive: each step says what a fresh look at the same
        // bytes says, and the last what the whole answer does.
        AgentClient::Framing growing;
        for (std::size_t n = 0; n <= c.answer.size(); ++n) {
            const std::string_view prefix = std::string_view(c.answer).substr(0, n);
            ASSERT_EQ(growing.complete(prefix), AgentClient::Framing().complete(prefix)) << n << " bytes";
        }
    }
}

// --- The socket path ----------------------------------------------------------------------

TEST(AgentClientPath, DefaultSocketPathFollowsTheEnvironment) {
    const char* savedHome = std::getenv("HOME");
    const char* savedAgent = std::getenv("QUILLMARSH_HOME");
    std::string home = savedHome ? savedHome : "";
    std::optional<std::string> agentHome = savedAgent ? std::optional<std::string>(savedAgent) : std::nullopt;

    ::setenv("HOME", "/Users/sam", 1);
    struct Case {
        std::optional<std::string> value;
        std::string path;
    } const cases[] = {
        {std::nullopt, "/Users/sam/.quillmarsh/agent.sock"},
        {"", "/Users/sam/.quillmarsh/agent.sock"},
        {"/srv/agent", "/srv/agent/agent.sock"},
        {"/srv/agent/", "/srv/agent//agent.sock"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.value_or("(unset)"));
        if (c.value) ::setenv("QUILLMARSH_HOME", c.value->c_str(), 1);
        else ::unsetenv("QUILLMARSH_HOME");
        EXPECT_EQ(AgentClient::defaultSocketPath(), c.path);
    }

    ::setenv("HOME", home.c_str(), 1);
    if (agentHome) ::setenv("QUILLMARSH_HOME", agentHome->c_str(), 1);
    else ::unsetenv("QUILLMARSH_HOME");
}

TEST(AgentClientPath, WithoutHomeTheAccountsHomeIsUsed) {
    std::vector<char> buffer(1 << 16);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        GTEST_SKIP() << "this account has no password entry";
    const std::string expected = std::string(found->pw_dir) + "/.quillmarsh/agent.sock";

    const char* savedHome = std::getenv("HOME");
    const char* savedAgent = std::getenv("QUILLMARSH_HOME");
    const std::optional<std::string> home = savedHome ? std::optional<std::string>(savedHome) : std::nullopt;
    const std::optional<std::string> agentHome =
        savedAgent ? std::optional<std::string>(savedAgent) : std::nullopt;

    ::unsetenv("QUILLMARSH_HOME");
    ::unsetenv("HOME");
    EXPECT_EQ(AgentClient::defaultSocketPath(), expected) << "HOME unset";
    ::setenv("HOME", "", 1);
    EXPECT_EQ(AgentClient::defaultSocketPath(), expected) << "HOME empty";
    ::setenv("QUILLMARSH_HOME", "/srv/agent", 1);
    EXPECT_EQ(AgentClient::defaultSocketPath(), "/srv/agent/agent.sock");  // still first

    if (home) ::setenv("HOME", home->c_str(), 1);
    else ::unsetenv("HOME");
    if (agentHome) ::setenv("QUILLMARSH_HOME", agentHome->c_str(), 1);
    else ::unsetenv("QUILLMARSH_HOME");
}

} // namespace
} // namespace quillmarsh
