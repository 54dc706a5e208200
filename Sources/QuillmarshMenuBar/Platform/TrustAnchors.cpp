#include "Platform/TrustAnchors.h"

#include "Foundation/FileIO.h"
#include "Platform/AppBundle.h"

#include <utility>

#if __has_include("QuillmarshSigningRoot.h")
#include "QuillmarshSigningRoot.h"  // defines kQuillmarshSigningRoot, the project's root in PEM
#define QUILLMARSH_HAS_SIGNING_ROOT 1
#endif

namespace quillmarsh {

TrustAnchors TrustAnchors::compiledIn() {
    TrustAnchors anchors;
#ifdef QUILLMARSH_HAS_SIGNING_ROOT
    anchors.pems.emplace_back(kQuillmarshSigningRoot);
#endif
    return anchors;
}

TrustAnchors TrustAnchors::forBundle(const std::string& bundlePath) {
    TrustAnchors anchors = compiledIn();
    // A handful of PEM certificates; 1 MiB is far more than any set of anchors needs.
    constexpr std::size_t maxAnchorBytes = 1 << 20;
    auto text = FileIO::readFile(bundlePath + "/Contents/Resources/" + resourceName, maxAnchorBytes);
    if (text && !text->empty())
        anchors.pems.push_back(std::move(*text));
    return anchors;
}

TrustAnchors TrustAnchors::forRunningApp() {
    AppBundle bundle = AppBundle::main();
    return bundle.runsFromBundle() ? forBundle(bundle.path) : compiledIn();
}

} // namespace quillmarsh
