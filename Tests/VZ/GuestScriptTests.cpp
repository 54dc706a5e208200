#include "Virtualization/GuestScript.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using vz::GuestScript;
using Kind = GuestScript::Command::Kind;

namespace {

std::string script(const std::string& body) { return std::string(GuestScript::header) + "\n" + body; }

// A command as one line of text: its verb and the fields it sets, each in brackets.
std::string shown(const GuestScript::Command& c) {
    switch (c.kind) {
    case Kind::fetchConfig: return "fetch-config [" + c.tag + "][" + c.path + "]";
    case Kind::recordNice: return "record-nice [" + c.tag + "][" + c.path + "]";
    case Kind::report: return "report [" + c.name + "][" + c.text + "]";
    case Kind::reportBytes: return "report-bytes [" + c.name + "][" + std::to_string(c.number) + "]";
    case Kind::sleepMs: return "sleep-ms [" + std::to_string(c.number) + "]";
    case Kind::poweroff: return "poweroff";
    case Kind::crash: return "crash [" + c.text + "]";
    case Kind::bootFail: return "boot-fail [" + c.text + "]";
    case Kind::onStopRequest: return std::string("on-stop-request [") + (c.obey ? "obey" : "ignore") + "]";
    }
    return "?";
}

// The script's commands, one shown line each; "none" when it is not a script, the error when it is
// refused.
std::vector<std::string> parsed(const std::string& text) {
    try {
        const auto parsedScript = GuestScript::parse(text);
        if (!parsedScript) return {"none"};
        std::vector<std::string> lines;
        for (const auto& c : parsedScript->commands) lines.push_back(shown(c));
        return lines;
    } catch (const std::invalid_argument& error) {
        return {std::string("error: ") + error.what()};
    }
}

} // namespace

TEST(GuestScript, EachCommandAndItsWords) {
    struct Case {
        std::string line;
        std::string command;
    };
    const std::vector<Case> cases = {
        {"fetch-config out/runner.json", "fetch-config [out][runner.json]"},
        {"fetch-config out/a/b", "fetch-config [out][a/b]"},
        {"record-nice out/nice", "record-nice [out][nice]"},
        {"report build.log done", "report [build.log][done]"},
        {"report empty", "report [empty][]"},
        // Spaces and tabs between words are one separator; TEXT joins its words with single spaces.
        {"  report\tr   two \t words  ", "report [r][two words]"},
        {"report \"a name\" \"x  y\" z", "report [a name][x  y z]"},
        {"report \"\" \"\"", "report [][]"},
        {"report n \"\\n\\r\\t\\\\\\\"\"", "report [n][\n\r\t\\\"]"},
        {"report n \"\\x41\\x7e\\xfF\"", "report [n][A~\xff]"},
        {"report n \"a\\x00b\"", std::string("report [n][a\0b]", 15)},
        // Quotes inside a bare word are its characters.
        {"report n say\"hi", "report [n][say\"hi]"},
        {"report-bytes r 1048576", "report-bytes [r][1048576]"},
        {"sleep-ms 0", "sleep-ms [0]"},
        {"sleep-ms 007", "sleep-ms [7]"},
        {"sleep-ms 999999999999999999", "sleep-ms [999999999999999999]"},
        {"poweroff", "poweroff"},
        {"crash kernel panic: oops", "crash [kernel panic: oops]"},
        {"crash", "crash []"},
        {"boot-fail no bootable disk", "boot-fail [no bootable disk]"},
        {"on-stop-request obey", "on-stop-request [obey]"},
        {"on-stop-request ignore", "on-stop-request [ignore]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parsed(script(c.line + "\n")), std::vector<std::string>{c.command}) << c.line;
}

TEST(GuestScript, HeaderCommentsEmptyLinesAndLineEnds) {
    // Only a text whose first line is the header is a script.
    for (const std::string text : {"", "#!quillmarsh-guestx\npoweroff\n", " #!quillmarsh-guest\n", "MZ\x90\0kernel",
                                   "poweroff\n#!quillmarsh-guest\n"})
        EXPECT_EQ(parsed(text), std::vector<std::string>{"none"}) << text;
    EXPECT_EQ(parsed(GuestScript::header), std::vector<std::string>{});
    EXPECT_EQ(parsed(script("")), std::vector<std::string>{});

    // Comments, empty and blank lines are skipped; CR LF ends a line too; the last line needs no end.
    const auto script1 = GuestScript::parse(script("# fetch first\n\n   \n\t\nfetch-config out/a\r\n#poweroff\nsleep-ms 5\r\npoweroff"));
    ASSERT_TRUE(script1);
    ASSERT_EQ(script1->commands.size(), 3u);
    EXPECT_EQ(shown(script1->commands[0]), "fetch-config [out][a]");
    EXPECT_EQ(shown(script1->commands[2]), "poweroff");
    EXPECT_EQ(script1->commands[0].line, 6);
    EXPECT_EQ(script1->commands[1].line, 8);
    EXPECT_EQ(script1->commands[2].line, 9);
    EXPECT_EQ(parsed(std::string(GuestScript::header) + "\r\nreport r x\r\n"), std::vector<std::string>{"report [r][x]"});
}

TEST(GuestScript, RefusedLinesNameTheirLineAndProblem) {
    struct Case {
        std::string line;
        std::string problem;
    };
    const std::vector<Case> cases = {
        {"frobnicate", "unknown command frobnicate"},
        {"Poweroff", "unknown command Poweroff"},
        {"\"\" x", "unknown command "},
        {"fetch-config", "fetch-config needs 1 argument(s)"},
        {"fetch-config out", "expected TAG/PATH, got out"},
        {"fetch-config /runner.json", "expected TAG/PATH, got /runner.json"},
        {"fetch-config out/", "expected TAG/PATH, got out/"},
        {"record-nice", "record-nice needs 1 argument(s)"},
        {"report", "report needs 1 argument(s)"},
        {"report-bytes r", "report-bytes needs 2 argument(s)"},
        {"on-stop-request", "on-stop-request needs 1 argument(s)"},
        {"on-stop-request Obey", "on-stop-request takes obey or ignore"},
        // Numbers: decimal digits only, at most 18 of them.
        {"sleep-ms ten", "expected a number, got ten"},
        {"sleep-ms -1", "expected a number, got -1"},
        {"sleep-ms +1", "expected a number, got +1"},
        {"sleep-ms 1.5", "expected a number, got 1.5"},
        {"sleep-ms 0x10", "expected a number, got 0x10"},
        {"sleep-ms \"\"", "expected a number, got "},
        {"sleep-ms \" 5\"", "expected a number, got  5"},
        {"sleep-ms 1000000000000000000", "expected a number, got 1000000000000000000"},
        {"report-bytes r 99999999999999999999", "expected a number, got 99999999999999999999"},
        // Quotes and escapes.
        {"report n \"unclosed", "an unclosed quote"},
        {"report n \"ends in \\", "a backslash ends the line"},
        {"report n \"\\q\"", "unknown escape \\q"},
        {"report n \"\\x4\"", "\\x needs two hexadecimal digits"},
        {"report n \"\\xg0\"", "\\x needs two hexadecimal digits"},
        {"report n \"\\x", "\\x needs two hexadecimal digits"},
        {"report n \"a\"b", "a closing quote must end its word"},
        {"report \"\"\"\" x", "a closing quote must end its word"},
        // Commands without a trailing TEXT take exactly their arguments.
        {"poweroff now", "poweroff takes 0 argument(s)"},
        {"sleep-ms 1 000", "sleep-ms takes 1 argument(s)"},
        {"report-bytes r 10 20", "report-bytes takes 2 argument(s)"},
        {"fetch-config out/a out/b", "fetch-config takes 1 argument(s)"},
        {"record-nice out/a x", "record-nice takes 1 argument(s)"},
        {"on-stop-request ignore please", "on-stop-request takes 1 argument(s)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parsed(script("# first\n\n" + c.line + "\npoweroff\n")),
                  std::vector<std::string>{"error: guest script line 4: " + c.problem})
            << c.line;
}
