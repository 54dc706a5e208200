#pragma once

#include "Model/UrlOpener.h"

namespace quillmarsh {

// QDesktopServices::openUrl; its result is not used.
class DesktopUrlOpener final : public UrlOpener {
public:
    void open(const QUrl& url) override;
};

} // namespace quillmarsh
