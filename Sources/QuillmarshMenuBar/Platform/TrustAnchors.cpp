#include "Platform/TrustAnchors.h"

#include "Platform/AppBundle.h"

#include <fstream>
#include <sstream>

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
    std::ifstream in(bundlePath + "/Contents/Resources/" + resourceName, std::ios::binary);
    if (in) {
        std::ostringstream text;
        text << in.rdbuf();
        if (!text.str().empty())
            anchors.pems.push_back(text.str());
    }
    return anchors;
}

TrustAnchors TrustAnchors::forRunningApp() {
    AppBundle bundle = AppBundle::main();
    return bundle.runsFromBundle() ? forBundle(bundle.path) : compiledIn();
}

} // namespace quillmarsh
