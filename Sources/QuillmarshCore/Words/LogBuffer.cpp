#include "Words/LogBuffer.h"

#include "Words/WindowWords.h"

#include <algorithm>
#include <cstring>

namespace quillmarsh {

namespace {

std::int64_t countLineFeeds(std::string_view text) {
    return static_cast<std::int64_t>(std::count(text.begin(), text.end(), '\n'));
}

} // namespace

bool LogBuffer::apply(const JobLog& log) {
    source_ = log.source;
    std::string chunk = WindowWords::stripANSI(log.text);
    bool changed = false;
    if (!next_ || log.start != *next_) {
        changed = text() != chunk;
        lineFeeds_ = countLineFeeds(chunk);
        storage_ = std::move(chunk);
        begin_ = 0;
        trim();
    } else if (!chunk.empty()) {
        lineFeeds_ += countLineFeeds(chunk);
        storage_ += chunk;
        trim();
        changed = true;
    }
    next_ = log.next;
    return changed;
}

void LogBuffer::trim() {
    const std::int64_t limit = std::max<std::int64_t>(0, lineLimit_);
    if (lineFeeds_ > limit) {
        // Cut after the (lineFeeds_ - limit)-th line feed from the start: the walk covers
        // only what is dropped.
        std::int64_t drop = lineFeeds_ - limit;
        const char* data = storage_.data();
        const char* end = data + storage_.size();
        const char* at = data + begin_;
        while (drop > 0) {
            at = static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at))) + 1;
            --drop;
        }
        begin_ = static_cast<std::size_t>(at - data);
        lineFeeds_ = limit;
    }
    // Drop the cut prefix once it is at least as long as the kept text, so each byte is moved
    // a bounded number of times.
    if (begin_ > 0 && begin_ >= storage_.size() - begin_) {
        storage_.erase(0, begin_);
        begin_ = 0;
    }
}

} // namespace quillmarsh
