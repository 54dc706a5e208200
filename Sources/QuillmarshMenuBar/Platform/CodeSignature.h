#pragma once

#include "Platform/TrustAnchors.h"

#include <optional>
#include <string>
#include <vector>

namespace quillmarsh {

// The code signature of an app bundle: a manifest of every entry in the bundle (each file's
// SHA-256 and mode, each directory's mode, each symbolic link's target), stored as
// Contents/_CodeSignature/CodeResources, and a detached CMS (PKCS#7) signature over that manifest,
// Contents/_CodeSignature/CodeSignature (DER), which carries the signer's certificate chain.
//
// A bundle is valid when the signature verifies over the manifest, the manifest matches the
// bundle exactly (nothing added, changed or missing), and the signature meets a requirement
// written in the requirement language:
//   identifier "ID"                        the identifier the bundle was signed with
//   anchor apple generic                   the chain ends at one of the trusted anchors
//   certificate SLOT[field.OID] /* exists */   that certificate has the extension OID
//   certificate SLOT[subject.OU] = "TEXT"  that certificate's organisational unit is TEXT
// clauses joined by "and"; SLOT is leaf, root, or a position counted from the leaf (0) upwards,
// or from the anchor (-1) downwards.
class CodeSignature {
public:
    // This layer's statuses (0 is success).
    enum Status : int {
        ok = 0,
        notABundle = -401,         // the path is not a bundle folder
        badRequirement = -402,     // the requirement text does not parse
        notSigned = -403,          // no signature in the bundle
        badSignature = -404,       // the signature cannot be read or does not verify
        modified = -405,           // the bundle differs from its signed manifest
        requirementFailed = -406,  // valid, but the requirement is not met
    };

    struct Result {
        int status = ok;
        std::string description;  // empty on success
    };

    static constexpr const char* folderName = "_CodeSignature";

    // The static code object: ok when path is a folder with a Contents folder.
    static int openStatic(const std::string& bundlePath);
    // ok when the requirement parses.
    static int compileRequirement(const std::string& requirement);
    // The whole check: signature, manifest, then the requirement against the anchors.
    static Result checkValidity(const std::string& bundlePath, const std::string& requirement,
                                const TrustAnchors& anchors);
    // The organisational unit of the signing (leaf) certificate, when the bundle carries a
    // readable signature.
    static std::optional<std::string> teamIdentifier(const std::string& bundlePath);

    // Signs the bundle in place, replacing any signature: keyPEM is the leaf's private key,
    // certificatePEM the leaf, chainPEM the intermediates (may be empty). Throws
    // std::runtime_error with the reason.
    static void sign(const std::string& bundlePath, const std::string& identifier, const std::string& keyPEM,
                     const std::string& certificatePEM, const std::string& chainPEM);

    // The manifest text of the bundle as it is now, for the given identifier. Throws
    // std::runtime_error when an entry cannot be read or is of a kind that cannot be signed.
    static std::string manifest(const std::string& bundlePath, const std::string& identifier);
};

} // namespace quillmarsh
