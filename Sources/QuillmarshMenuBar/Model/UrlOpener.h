#pragma once

#include <QUrl>

namespace quillmarsh {

// Opens a link with the system's default handler (the browser).
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    virtual void open(const QUrl& url) = 0;
};

} // namespace quillmarsh
