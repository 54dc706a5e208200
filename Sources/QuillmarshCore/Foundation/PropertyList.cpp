#include "Foundation/PropertyList.h"

#include "Foundation/FileIO.h"
#include "Foundation/Text.h"

namespace quillmarsh {

namespace {

// A recursive-descent reader over the XML text; any problem sets failed and unwinds.
class Reader {
public:
    explicit Reader(std::string_view text) : s_(text) {}

    std::optional<PropertyList::Strings> read() {
        if (s_.substr(0, 3) == "\xEF\xBB\xBF")
            pos_ = 3;
        skipMisc();
        std::string name;
        bool empty = false;
        if (!openTag(name, empty) || name != "plist" || empty)
            return std::nullopt;
        skipMisc();
        std::string top;
        if (!openTag(top, empty) || top != "dict")
            return std::nullopt;
        PropertyList::Strings out;
        if (!empty && !readDict(out))
            return std::nullopt;
        skipMisc();
        if (!closeTag("plist"))
            return std::nullopt;
        skipMisc();
        if (pos_ != s_.size())
            return std::nullopt;
        return out;
    }

private:
    std::string_view s_;
    std::size_t pos_ = 0;
    int depth_ = 0;

    bool startsWith(std::string_view p) const { return s_.substr(pos_, p.size()) == p; }

    void skipSpace() {
        while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\n' || s_[pos_] == '\r'))
            ++pos_;
    }

    bool skipUntil(std::string_view end) {
        auto at = s_.find(end, pos_);
        if (at == std::string_view::npos) {
            pos_ = s_.size();
            return false;
        }
        pos_ = at + end.size();
        return true;
    }

    // White space, comments, processing instructions and the document type.
    void skipMisc() {
        for (;;) {
            skipSpace();
            if (startsWith("<?"))
                skipUntil("?>");
            else if (startsWith("<!--"))
                skipUntil("-->");
            else if (startsWith("<!DOCTYPE"))
                skipDoctype();
            else
                return;
        }
    }

    void skipDoctype() {
        int brackets = 0;
        while (pos_ < s_.size()) {
            char c = s_[pos_++];
            if (c == '[')
                ++brackets;
            else if (c == ']')
                --brackets;
            else if (c == '>' && brackets <= 0)
                return;
        }
    }

    static bool nameChar(char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
               c == '_' || c == ':' || c == '.';
    }

    // "<name attr=...>" or "<name/>"; attributes are skipped.
    bool openTag(std::string& name, bool& empty) {
        if (pos_ >= s_.size() || s_[pos_] != '<' || startsWith("</"))
            return false;
        ++pos_;
        std::size_t start = pos_;
        while (pos_ < s_.size() && nameChar(s_[pos_]))
            ++pos_;
        if (pos_ == start)
            return false;
        name = std::string(s_.substr(start, pos_ - start));
        char quote = 0;
        while (pos_ < s_.size()) {
            char c = s_[pos_++];
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                empty = pos_ >= 2 && s_[pos_ - 2] == '/';
                return true;
            }
        }
        return false;
    }

    bool closeTag(std::string_view name) {
        if (!startsWith("</"))
            return false;
        pos_ += 2;
        if (s_.substr(pos_, name.size()) != name)
            return false;
        pos_ += name.size();
        skipSpace();
        if (pos_ >= s_.size() || s_[pos_] != '>')
            return false;
        ++pos_;
        return true;
    }

    static bool appendEntity(std::string_view entity, std::string& out) {
        if (entity == "lt") out += '<';
        else if (entity == "gt") out += '>';
        else if (entity == "amp") out += '&';
        else if (entity == "quot") out += '"';
        else if (entity == "apos") out += '\'';
        else if (entity.size() > 1 && entity[0] == '#') {
            bool hex = entity[1] == 'x';
            std::string_view digits = entity.substr(hex ? 2 : 1);
            if (digits.empty() || digits.size() > 8)
                return false;
            char32_t value = 0;
            for (char c : digits) {
                int d;
                if (c >= '0' && c <= '9') d = c - '0';
                else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
                else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
                else return false;
                value = value * (hex ? 16 : 10) + char32_t(d);
            }
            if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
                return false;
            Text::appendUTF8(out, value);
        } else {
            return false;
        }
        return true;
    }

    // Character data up to the next tag, entities and CDATA sections decoded.
    bool readText(std::string& out) {
        while (pos_ < s_.size()) {
            if (startsWith("<![CDATA[")) {
                pos_ += 9;
                auto end = s_.find("]]>", pos_);
                if (end == std::string_view::npos)
                    return false;
                out += s_.substr(pos_, end - pos_);
                pos_ = end + 3;
            } else if (startsWith("<!--")) {
                if (!skipUntil("-->"))
                    return false;
            } else if (s_[pos_] == '<') {
                return true;
            } else if (s_[pos_] == '&') {
                auto end = s_.find(';', pos_);
                if (end == std::string_view::npos || end - pos_ > 12)
                    return false;
                if (!appendEntity(s_.substr(pos_ + 1, end - pos_ - 1), out))
                    return false;
                pos_ = end + 1;
            } else {
                out += s_[pos_++];
            }
        }
        return false;
    }

    // <name>text</name> with text only inside.
    bool readTextElement(const std::string& name, bool empty, std::string& out) {
        if (empty)
            return true;
        return readText(out) && closeTag(name);
    }

    bool readDict(PropertyList::Strings& out) {
        if (++depth_ > 64)
            return false;
        for (;;) {
            skipMisc();
            if (startsWith("</"))
                break;
            std::string name;
            bool empty = false;
            if (!openTag(name, empty) || name != "key")
                return false;
            std::string key;
            if (!readTextElement(name, empty, key))
                return false;
            skipMisc();
            std::optional<std::string> text;
            if (!readValue(text))
                return false;
            if (text)
                out[key] = *text;
        }
        --depth_;
        return closeTag("dict");
    }

    bool readArray() {
        if (++depth_ > 64)
            return false;
        for (;;) {
            skipMisc();
            if (startsWith("</"))
                break;
            std::optional<std::string> ignored;
            if (!readValue(ignored))
                return false;
        }
        --depth_;
        return closeTag("array");
    }

    // One value; text is set only for a string.
    bool readValue(std::optional<std::string>& text) {
        std::string name;
        bool empty = false;
        if (!openTag(name, empty))
            return false;
        if (name == "string") {
            std::string value;
            if (!readTextElement(name, empty, value) || !Text::isValidUTF8(value))
                return false;
            text = std::move(value);
            return true;
        }
        if (name == "dict") {
            PropertyList::Strings nested;
            return empty || readDict(nested);
        }
        if (name == "array")
            return empty || readArray();
        if (name == "true" || name == "false")
            return empty || closeTag(name);
        if (name == "integer" || name == "real" || name == "date" || name == "data") {
            std::string ignored;
            return readTextElement(name, empty, ignored);
        }
        return false;
    }
};

} // namespace

std::optional<PropertyList::Strings> PropertyList::dictionaryStrings(std::string_view xml) {
    return Reader(xml).read();
}

std::optional<PropertyList::Strings> PropertyList::readDictionaryStrings(const std::string& folder,
                                                                        const std::string& relativePath) {
    // A file longer than 4 MiB counts as unreadable; its size is looked at before any byte is read.
    const auto text = FileIO::readRegularFileIn(folder, relativePath, 4 * 1024 * 1024);
    if (!text)
        return std::nullopt;
    return dictionaryStrings(*text);
}

} // namespace quillmarsh
