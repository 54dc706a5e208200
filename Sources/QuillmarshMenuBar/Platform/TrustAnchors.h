#pragma once

#include <string>
#include <vector>

namespace quillmarsh {

// The root certificates that an update's signature must chain to. They are exactly as trusted
// as the running executable: the project's root compiled into this program (when the build was
// given one), and "SigningRoot.pem" in the running app bundle's own Contents/Resources, which only
// someone able to replace the executable can change. Never the environment or a download.
struct TrustAnchors {
    std::vector<std::string> pems;  // PEM texts, each one or more certificates

    static constexpr const char* resourceName = "SigningRoot.pem";

    // The project's root built into this program; empty when the build had none.
    static TrustAnchors compiledIn();
    // The anchors of the running program.
    static TrustAnchors forRunningApp();
    // The anchors of a bundle at bundlePath (its Contents/Resources/SigningRoot.pem), plus the
    // compiled-in root.
    static TrustAnchors forBundle(const std::string& bundlePath);
};

} // namespace quillmarsh
