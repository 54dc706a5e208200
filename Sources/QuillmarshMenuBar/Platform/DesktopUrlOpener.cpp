#include "Platform/DesktopUrlOpener.h"

#include <QDesktopServices>
#include <QProcess>

#include <cstdio>

namespace quillmarsh {

void DesktopUrlOpener::open(const QUrl& url) {
    if (QDesktopServices::openUrl(url)) return;
    if (QProcess::startDetached(QStringLiteral("xdg-open"), {url.toString(QUrl::FullyEncoded)})) return;
    std::fprintf(stderr, "Quillmarsh: could not open %s: no handler for links on this desktop\n",
                 url.toString(QUrl::FullyEncoded).toStdString().c_str());
}

} // namespace quillmarsh
