#include "Platform/DesktopUrlOpener.h"

#include <QDesktopServices>

namespace quillmarsh {

void DesktopUrlOpener::open(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

} // namespace quillmarsh
