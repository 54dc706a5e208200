#include "Virtualization/GuestScript.h"

#include "Foundation/IntegerText.h"
#include "Foundation/Text.h"

#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vz {

namespace {

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t') { ++i; continue; }
        std::string word;
        if (line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char c = line[i++];
                if (c == '"') { closed = true; break; }
                if (c != '\\') { word += c; continue; }
                if (i >= line.size()) throw std::invalid_argument("a backslash ends the line");
                char e = line[i++];
                switch (e) {
                case 'n': word += '\n'; break;
                case 'r': word += '\r'; break;
                case 't': word += '\t'; break;
                case '\\': word += '\\'; break;
                case '"': word += '"'; break;
                case 'x': {
                    int hi = i < line.size() ? quillmarsh::Text::hexDigitValue(line[i]) : -1;
                    int lo = i + 1 < line.size() ? quillmarsh::Text::hexDigitValue(line[i + 1]) : -1;
                    if (hi < 0 || lo < 0) throw std::invalid_argument("\\x needs two hexadecimal digits");
                    word += char(hi * 16 + lo);
                    i += 2;
                    break;
                }
                default: throw std::invalid_argument(std::string("unknown escape \\") + e);
                }
            }
            if (!closed) throw std::invalid_argument("an unclosed quote");
            // "a"b would otherwise be two words without a word of warning.
            if (i < line.size() && line[i] != ' ' && line[i] != '\t')
                throw std::invalid_argument("a closing quote must end its word");
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t') word += line[i++];
        }
        out.push_back(std::move(word));
    }
    return out;
}

// Decimal digits, at most 18 of them.
std::int64_t number(const std::string& word) {
    const auto value = word.size() > 18 ? std::nullopt : quillmarsh::IntegerText::parseDigits(word);
    if (!value) throw std::invalid_argument("expected a number, got " + word);
    return *value;
}

void splitTagPath(const std::string& word, GuestScript::Command& command) {
    auto slash = word.find('/');
    if (slash == std::string::npos || slash == 0 || slash + 1 == word.size())
        throw std::invalid_argument("expected TAG/PATH, got " + word);
    command.tag = word.substr(0, slash);
    command.path = word.substr(slash + 1);
}

std::string rest(const std::vector<std::string>& w, std::size_t from) {
    std::string out;
    for (std::size_t i = from; i < w.size(); ++i) out += (i > from ? " " : "") + w[i];
    return out;
}

} // namespace

bool GuestScript::beginsWithHeader(std::string_view text) {
    const std::string_view head = header;
    return text.substr(0, head.size()) == head &&
           (text.size() == head.size() || text[head.size()] == '\n' || text[head.size()] == '\r');
}

bool GuestScript::isScriptFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    char start[64];
    ssize_t n = 0;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) n = ::pread(fd, start, sizeof start, 0);
    ::close(fd);
    return n > 0 && beginsWithHeader(std::string_view(start, std::size_t(n)));
}

std::optional<GuestScript> GuestScript::parse(const std::string& text) {
    if (!beginsWithHeader(text)) return std::nullopt;
    GuestScript script;
    std::size_t start = 0;
    int lineNumber = 0;
    while (start <= text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (lineNumber == 1) continue;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        try {
            auto w = words(line);
            if (w.empty() || w[0][0] == '#') continue;
            Command c{};
            c.line = lineNumber;
            const std::string& verb = w[0];
            auto need = [&](std::size_t n) {
                if (w.size() < n + 1) throw std::invalid_argument(verb + " needs " + std::to_string(n) + " argument(s)");
            };
            // A command without a trailing TEXT takes no more words than it needs.
            auto exactly = [&](std::size_t n) {
                need(n);
                if (w.size() > n + 1) throw std::invalid_argument(verb + " takes " + std::to_string(n) + " argument(s)");
            };
            if (verb == "fetch-config" || verb == "record-nice") {
                exactly(1);
                c.kind = verb == "fetch-config" ? Command::Kind::fetchConfig : Command::Kind::recordNice;
                splitTagPath(w[1], c);
            } else if (verb == "report") {
                need(1);
                c.kind = Command::Kind::report;
                c.name = w[1];
                c.text = rest(w, 2);
            } else if (verb == "report-bytes") {
                exactly(2);
                c.kind = Command::Kind::reportBytes;
                c.name = w[1];
                c.number = number(w[2]);
            } else if (verb == "sleep-ms") {
                exactly(1);
                c.kind = Command::Kind::sleepMs;
                c.number = number(w[1]);
            } else if (verb == "poweroff") {
                exactly(0);
                c.kind = Command::Kind::poweroff;
            } else if (verb == "crash" || verb == "boot-fail") {
                c.kind = verb == "crash" ? Command::Kind::crash : Command::Kind::bootFail;
                c.text = rest(w, 1);
            } else if (verb == "on-stop-request") {
                exactly(1);
                if (w[1] != "obey" && w[1] != "ignore") throw std::invalid_argument("on-stop-request takes obey or ignore");
                c.kind = Command::Kind::onStopRequest;
                c.obey = w[1] == "obey";
            } else {
                throw std::invalid_argument("unknown command " + verb);
            }
            script.commands.push_back(std::move(c));
        } catch (const std::invalid_argument& e) {
            throw std::invalid_argument("guest script line " + std::to_string(lineNumber) + ": " + e.what());
        }
        if (end == text.size()) break;
    }
    return script;
}

} // namespace vz
