#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace quillmarsh {

// A small reader of XML property lists, enough for a bundle's Info.plist: the top-level value
// must be a dict; its string values are returned by key. Values of other kinds (numbers,
// booleans, arrays, nested dicts, data, dates) are well-formedness checked and left out.
// Text that is not an XML property list (binary lists included) gives none.
class PropertyList {
public:
    using Strings = std::map<std::string, std::string>;

    static std::optional<Strings> dictionaryStrings(std::string_view xml);
    // Reads the file at relativePath inside folder (a regular file of at most 4 MiB, reached
    // without following links below folder: FileIO::readRegularFileIn), then dictionaryStrings;
    // an unreadable file gives none.
    static std::optional<Strings> readDictionaryStrings(const std::string& folder, const std::string& relativePath);
};

} // namespace quillmarsh
