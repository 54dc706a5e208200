// quillmarsh-sign: signs a Quillmarsh.app bundle so that the app's self-updater accepts it.
//
//   quillmarsh-sign --key LEAF.key --cert LEAF.pem [--chain INTERMEDIATES.pem]
//                   [--identifier ID] BUNDLE.app
//
// Writes Contents/_CodeSignature/ (the manifest of every entry and a CMS signature over it by
// the leaf certificate, with the chain included). The identifier defaults to the bundle's
// CFBundleIdentifier. Sign last: any later change to the bundle invalidates the signature.
#include "Foundation/FileIO.h"
#include "Platform/CodeSignature.h"
#include "Update/AppUpdate.h"

#include <iostream>
#include <optional>
#include <string>

namespace {

int usage() {
    std::cerr << "usage: quillmarsh-sign --key KEY.pem --cert CERT.pem [--chain CHAIN.pem] [--identifier ID] BUNDLE.app\n";
    return 2;
}

// A key or a few certificates in PEM; 1 MiB is far more than any chain needs.
constexpr std::size_t maxPemBytes = 1 << 20;

} // namespace

int main(int argc, char** argv) {
    std::string key, cert, chain, identifier, bundle;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc)
                return false;
            into = argv[++i];
            return true;
        };
        if (arg == "--key") {
            if (!value(key)) return usage();
        } else if (arg == "--cert") {
            if (!value(cert)) return usage();
        } else if (arg == "--chain") {
            if (!value(chain)) return usage();
        } else if (arg == "--identifier") {
            if (!value(identifier)) return usage();
        } else if (!arg.empty() && arg[0] == '-') {
            return usage();
        } else if (bundle.empty()) {
            bundle = arg;
        } else {
            return usage();
        }
    }
    if (key.empty() || cert.empty() || bundle.empty())
        return usage();
    using quillmarsh::FileIO;
    const auto keyPEM = FileIO::readFile(key, maxPemBytes);
    const auto certPEM = FileIO::readFile(cert, maxPemBytes);
    const auto chainPEM = chain.empty() ? std::optional<std::string>("") : FileIO::readFile(chain, maxPemBytes);
    if (!keyPEM || !certPEM || !chainPEM) {
        std::cerr << "quillmarsh-sign: cannot read the key or certificates\n";
        return 1;
    }
    if (identifier.empty()) {
        auto found = quillmarsh::AppUpdate::bundleIdentifierAt(bundle);
        if (!found) {
            std::cerr << "quillmarsh-sign: " << bundle << "/Contents/Info.plist names no CFBundleIdentifier; use --identifier\n";
            return 1;
        }
        identifier = *found;
    }
    try {
        quillmarsh::CodeSignature::sign(bundle, identifier, *keyPEM, *certPEM, *chainPEM);
    } catch (const std::exception& error) {
        std::cerr << "quillmarsh-sign: " << error.what() << "\n";
        return 1;
    }
    std::cout << "signed " << bundle << " as " << identifier << "\n";
    return 0;
}
