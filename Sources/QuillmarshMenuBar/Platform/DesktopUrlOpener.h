#pragma once

#include "Model/UrlOpener.h"

namespace quillmarsh {

// The desktop's handler for a link: QDesktopServices::openUrl, and xdg-open when Qt opens nothing
// (it has no handler on the offscreen and minimal platforms, or outside a desktop session).
class DesktopUrlOpener final : public UrlOpener {
public:
    void open(const QUrl& url) override;
};

} // namespace quillmarsh
