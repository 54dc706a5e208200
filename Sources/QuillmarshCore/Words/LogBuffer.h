#pragma once

#include "Records/JobLog.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillmarsh {

// The log text of the job open in the job detail, merged from successive JobLog chunks and
// kept to its last lineLimit line feeds (and the unfinished line after them).
//
// Every line feed counts, also one that ends a CR LF line, so a log with CR LF endings is cut
// to its limit like any other. Merging costs time in proportion to the chunk, not to the text
// kept: the buffer counts its line feeds as they come and drops a cut prefix lazily.
class LogBuffer {
public:
    explicit LogBuffer(std::int64_t lineLimit) : lineLimit_(lineLimit) {}

    std::string_view text() const { return std::string_view(storage_).substr(begin_); }
    // The read cursor: none until the first chunk, then the next of the last chunk applied.
    std::optional<std::int64_t> next() const { return next_; }
    const std::string& source() const { return source_; }
    std::int64_t lineLimit() const { return lineLimit_; }
    // Takes effect at the next apply.
    void setLineLimit(std::int64_t limit) { lineLimit_ = limit; }

    // Merges one chunk, stripped of terminal colour codes: appended when it starts at the
    // cursor, else it replaces the text. Returns whether the text changed (for a replacement,
    // compared before trimming).
    bool apply(const JobLog& log);

    bool operator==(const LogBuffer& other) const {
        return text() == other.text() && next_ == other.next_ && source_ == other.source_ &&
               lineLimit_ == other.lineLimit_;
    }

private:
    void trim();

    std::string storage_;    // the text starts at begin_; what lies before it has been cut
    std::size_t begin_ = 0;
    std::int64_t lineFeeds_ = 0;  // line feeds in text()
    std::optional<std::int64_t> next_;
    std::string source_;
    std::int64_t lineLimit_;
};

} // namespace quillmarsh
