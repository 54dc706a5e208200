// quillmarsh-sign: signs a Quillmarsh.app bundle so that the app's self-updater accepts it.
//
//   quillmarsh-sign --key LEAF.key --cert LEAF.pem [--chain INTERMEDIATES.pem]
//                   [--identifier ID] BUNDLE.app
//
// Writes Contents/_CodeSignature/ (the manifest of every entry and a CMS signature over it by
// the leaf certificate, with the chain included). The identifier defaults to the bundle's
// CFBundleIdentifier. Sign last: any later change to the bundle invalidates the signature.
#include "Platform/CodeSignature.h"
#include "Update/AppUpdate.h"

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

int usage() {
    std::cerr << "usage: quillmarsh-sign --key KEY.pem --cert CERT.pem [--chain CHAIN.pem] [--identifier ID] BUNDLE.app\n";
    return 2;
}

bool readAll(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream text;
    text << in.rdbuf();
    out = text.str();
    return true;
}

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
    std::string keyPEM, certPEM, chainPEM;
    if (!readAll(key, keyPEM) || !readAll(cert, certPEM) || (!chain.empty() && !readAll(chain, chainPEM))) {
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
        quillmarsh::CodeSignature::sign(bundle, identifier, keyPEM, certPEM, chainPEM);
    } catch (const std::exception& error) {
        std::cerr << "quillmarsh-sign: " << error.what() << "\n";
        return 1;
    }
    std::cout << "signed " << bundle << " as " << identifier << "\n";
    return 0;
}
