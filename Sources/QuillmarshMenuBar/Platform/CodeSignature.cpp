#include "Platform/CodeSignature.h"

#include "Foundation/FileIO.h"
#include "Foundation/IntegerText.h"
#include "Foundation/JsonObject.h"
#include "Foundation/JsonText.h"
#include "Foundation/Text.h"
#include "Foundation/UniqueFd.h"

#include <nlohmann/json.hpp>
#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <variant>

namespace quillmarsh {

namespace fs = std::filesystem;

namespace {

template <class T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using BioPtr = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;
using CmsPtr = std::unique_ptr<CMS_ContentInfo, Deleter<CMS_ContentInfo, CMS_ContentInfo_free>>;
using X509Ptr = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using KeyPtr = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using StorePtr = std::unique_ptr<X509_STORE, Deleter<X509_STORE, X509_STORE_free>>;
using StoreCtxPtr = std::unique_ptr<X509_STORE_CTX, Deleter<X509_STORE_CTX, X509_STORE_CTX_free>>;
using MdCtxPtr = std::unique_ptr<EVP_MD_CTX, Deleter<EVP_MD_CTX, EVP_MD_CTX_free>>;
using ObjPtr = std::unique_ptr<ASN1_OBJECT, Deleter<ASN1_OBJECT, ASN1_OBJECT_free>>;

struct CertStackDeleter {
    void operator()(STACK_OF(X509)* stack) const { sk_X509_pop_free(stack, X509_free); }
};
using CertStack = std::unique_ptr<STACK_OF(X509), CertStackDeleter>;

std::string opensslError() {
    unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return "unknown error";
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return text;
}

// The longest manifest and signature read. The manifest has one entry of about 150 bytes for
// each file, folder and link in the bundle, so 64 MiB is room for some 400,000 of them; a
// signature is a few KiB with its certificates. Anything longer is no signature this code wrote,
// and counts as none. Both are read before anything is verified, so they are read only as
// regular files inside the bundle (no link followed, no FIFO waited on) and their size is looked
// at before their bytes.
constexpr std::size_t maxManifestBytes = 64 << 20;
constexpr std::size_t maxSignatureBytes = 1 << 20;
constexpr const char* manifestName = "CodeResources";
constexpr const char* signatureName = "CodeSignature";

std::string signatureFolderPath() { return std::string("Contents/") + CodeSignature::folderName; }

std::optional<std::string> readSignatureFile(const fs::path& bundle, const char* name, std::size_t maxBytes) {
    return FileIO::readRegularFileIn(bundle.string(), signatureFolderPath() + "/" + name, maxBytes);
}

// Writable by anyone but the owner: on a shared machine another user could change it.
bool writableByOthers(mode_t mode) { return (mode & (S_IWGRP | S_IWOTH)) != 0; }

// The manifest leaves out the signature folder, so that folder must hold the two signature files
// and nothing else: anything more would be installed unchecked. Neither it nor they may be links,
// or writable by other users.
CodeSignature::Result checkSignatureFolder(const fs::path& bundle) {
    const std::string folder = signatureFolderPath();
    struct stat info {};
    if (::lstat((bundle / folder).c_str(), &info) != 0)
        return {CodeSignature::notSigned, "the bundle is not signed"};
    if (!S_ISDIR(info.st_mode))
        return {CodeSignature::badSignature, folder + " is not a folder"};
    if (writableByOthers(info.st_mode))
        return {CodeSignature::badSignature, folder + " can be changed by other users"};
    const auto names = FileIO::folderEntries((bundle / folder).string());
    if (!names)
        return {CodeSignature::badSignature, folder + " cannot be read"};
    int found = 0;
    for (const auto& name : *names) {
        const std::string path = folder + "/" + name;
        if (name != manifestName && name != signatureName)
            return {CodeSignature::modified, "a file was added after signing: " + path};
        if (::lstat((bundle / path).c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            return {CodeSignature::badSignature, path + " is not a regular file"};
        if (writableByOthers(info.st_mode))
            return {CodeSignature::badSignature, path + " can be changed by other users"};
        ++found;
    }
    if (found != 2)
        return {CodeSignature::notSigned, "the bundle is not signed"};
    return {};
}

std::string fileSha256(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    MdCtxPtr ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256 is not available");
    std::vector<char> buffer(1 << 16);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        if (in.gcount() > 0)
            EVP_DigestUpdate(ctx.get(), buffer.data(), static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad())
        throw std::runtime_error("cannot read " + path.string());
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(ctx.get(), digest, &length);
    return Text::hexEncoded(std::string_view(reinterpret_cast<const char*>(digest), length));
}

std::string octal(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

// The entries of the bundle as the manifest records them, keyed by path relative to the bundle.
nlohmann::json entriesOf(const fs::path& bundle) {
    nlohmann::json files = nlohmann::json::object();
    const fs::path skipped = fs::path("Contents") / CodeSignature::folderName;
    std::error_code error;
    fs::recursive_directory_iterator it(bundle, fs::directory_options::none, error), end;
    if (error)
        throw std::runtime_error("cannot list " + bundle.string() + ": " + error.message());
    for (; it != end; it.increment(error)) {
        if (error)
            throw std::runtime_error("cannot list " + bundle.string() + ": " + error.message());
        fs::path relative = it->path().lexically_relative(bundle);
        if (relative == skipped) {
            it.disable_recursion_pending();
            continue;
        }
        struct stat info {};
        if (::lstat(it->path().c_str(), &info) != 0)
            throw std::runtime_error("cannot read " + relative.string());
        nlohmann::json entry;
        if (S_ISREG(info.st_mode)) {
            entry = {{"type", "file"}, {"mode", octal(info.st_mode)}, {"sha256", fileSha256(it->path())}};
        } else if (S_ISDIR(info.st_mode)) {
            entry = {{"type", "dir"}, {"mode", octal(info.st_mode)}};
        } else if (S_ISLNK(info.st_mode)) {
            entry = {{"type", "link"}, {"target", fs::read_symlink(it->path()).string()}};
        } else {
            throw std::runtime_error(relative.string() + " is not a file, folder or link");
        }
        files[relative.string()] = std::move(entry);
    }
    return files;
}

nlohmann::json manifestJson(const fs::path& bundle, const std::string& identifier) {
    return {{"format", 1}, {"identifier", identifier}, {"files", entriesOf(bundle)}};
}

std::string dumpChecked(const nlohmann::json& value) {
    try {
        return value.dump(1) + "\n";
    } catch (const nlohmann::json::exception&) {
        throw std::runtime_error("a file name in the bundle is not valid UTF-8");
    }
}

// ---- The requirement language ----

struct IdentifierClause {
    std::string identifier;
};
struct AnchorClause {};
struct CertificateClause {
    long slot = 0;
    bool fromRoot = false;   // root, or a negative slot
    std::string key;         // "field.<oid>" or "subject.<attr>"
    std::optional<std::string> equals;  // none: exists
};
using Clause = std::variant<IdentifierClause, AnchorClause, CertificateClause>;

class RequirementParser {
public:
    explicit RequirementParser(std::string_view text) : s_(text) {}

    std::optional<std::vector<Clause>> parse() {
        std::vector<Clause> clauses;
        for (;;) {
            auto clause = parseClause();
            if (!clause)
                return std::nullopt;
            clauses.push_back(std::move(*clause));
            skip();
            if (pos_ == s_.size())
                return clauses;
            if (word() != "and")
                return std::nullopt;
        }
    }

private:
    std::string_view s_;
    std::size_t pos_ = 0;

    void skip() {
        for (;;) {
            while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_])))
                ++pos_;
            if (s_.substr(pos_, 2) == "/*") {
                auto end = s_.find("*/", pos_ + 2);
                pos_ = end == std::string_view::npos ? s_.size() + 1 : end + 2;
                if (pos_ > s_.size()) {
                    pos_ = s_.size();
                    broken_ = true;
                }
            } else {
                return;
            }
        }
    }

    bool broken_ = false;

    std::string word() {
        skip();
        std::size_t start = pos_;
        while (pos_ < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '-' ||
                                    s_[pos_] == '.' || s_[pos_] == '_'))
            ++pos_;
        return std::string(s_.substr(start, pos_ - start));
    }

    std::optional<std::string> quoted() {
        skip();
        if (pos_ >= s_.size() || s_[pos_] != '"')
            return std::nullopt;
        ++pos_;
        std::string out;
        while (pos_ < s_.size() && s_[pos_] != '"') {
            if (s_[pos_] == '\\' && pos_ + 1 < s_.size())
                ++pos_;
            out += s_[pos_++];
        }
        if (pos_ >= s_.size())
            return std::nullopt;
        ++pos_;
        return out;
    }

    bool expect(char c) {
        skip();
        if (pos_ < s_.size() && s_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    std::optional<Clause> parseClause() {
        std::string head = word();
        if (broken_)
            return std::nullopt;
        if (head == "identifier") {
            auto id = quoted();
            if (!id)
                return std::nullopt;
            return IdentifierClause{*id};
        }
        if (head == "anchor") {
            if (word() != "apple" || word() != "generic")
                return std::nullopt;
            return AnchorClause{};
        }
        if (head == "certificate" || head == "cert") {
            CertificateClause clause;
            std::string slot = word();
            if (slot == "leaf") {
                clause.slot = 0;
            } else if (slot == "root") {
                clause.fromRoot = true;
                clause.slot = -1;
            } else {
                skip();
                bool negative = false;
                if (slot.empty() && pos_ < s_.size() && s_[pos_] == '-') {
                    ++pos_;
                    negative = true;
                    slot = word();
                }
                const auto digits = IntegerText::parseDigits(slot);
                if (!digits || slot.size() > 3)
                    return std::nullopt;
                clause.slot = static_cast<long>(*digits) * (negative ? -1 : 1);
                clause.fromRoot = negative;
            }
            if (!expect('['))
                return std::nullopt;
            clause.key = word();
            if (!expect(']'))
                return std::nullopt;
            if (!clause.key.starts_with("field.") && !clause.key.starts_with("subject."))
                return std::nullopt;
            skip();
            if (pos_ < s_.size() && s_[pos_] == '=') {
                ++pos_;
                auto value = quoted();
                if (!value)
                    return std::nullopt;
                clause.equals = *value;
            } else {
                std::size_t save = pos_;
                if (word() != "exists")
                    pos_ = save;
            }
            if (broken_)
                return std::nullopt;
            return clause;
        }
        return std::nullopt;
    }
};

std::optional<std::string> subjectEntry(X509* cert, const std::string& attribute) {
    int nid = NID_undef;
    if (attribute == "OU") nid = NID_organizationalUnitName;
    else if (attribute == "O") nid = NID_organizationName;
    else if (attribute == "CN") nid = NID_commonName;
    else if (attribute == "C") nid = NID_countryName;
    if (nid == NID_undef)
        return std::nullopt;
    X509_NAME* name = X509_get_subject_name(cert);
    int index = X509_NAME_get_index_by_NID(name, nid, -1);
    if (index < 0)
        return std::nullopt;
    ASN1_STRING* data = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, index));
    unsigned char* utf8 = nullptr;
    int length = ASN1_STRING_to_UTF8(&utf8, data);
    if (length < 0)
        return std::nullopt;
    std::string out(reinterpret_cast<char*>(utf8), static_cast<std::size_t>(length));
    OPENSSL_free(utf8);
    return out;
}

bool hasExtension(X509* cert, const std::string& oid) {
    ObjPtr object(OBJ_txt2obj(oid.c_str(), 1));
    return object && X509_get_ext_by_OBJ(cert, object.get(), -1) >= 0;
}

// A signature read from a bundle, its content verified against the manifest bytes.
struct ReadSignature {
    CmsPtr cms;
    X509* signer = nullptr;  // owned by certs
    CertStack certs;
};

CodeSignature::Result readSignature(const fs::path& bundle, const std::string& manifestText, ReadSignature& out) {
    auto der = readSignatureFile(bundle, signatureName, maxSignatureBytes);
    if (!der)
        return {CodeSignature::notSigned, "the bundle is not signed"};
    BioPtr derBio(BIO_new_mem_buf(der->data(), static_cast<int>(der->size())));
    out.cms.reset(d2i_CMS_bio(derBio.get(), nullptr));
    if (!out.cms) {
        ERR_clear_error();
        return {CodeSignature::badSignature, "the signature cannot be read"};
    }
    BioPtr content(BIO_new_mem_buf(manifestText.data(), static_cast<int>(manifestText.size())));
    if (CMS_verify(out.cms.get(), nullptr, nullptr, content.get(), nullptr,
                   CMS_BINARY | CMS_NO_SIGNER_CERT_VERIFY | CMS_DETACHED) != 1) {
        ERR_clear_error();
        return {CodeSignature::badSignature, "the signature does not match the bundle's manifest"};
    }
    STACK_OF(X509)* signers = CMS_get0_signers(out.cms.get());
    if (!signers || sk_X509_num(signers) != 1) {
        sk_X509_free(signers);
        return {CodeSignature::badSignature, "the signature does not have exactly one signer"};
    }
    out.signer = sk_X509_value(signers, 0);
    sk_X509_free(signers);
    out.certs.reset(CMS_get1_certs(out.cms.get()));
    if (!out.certs)
        out.certs.reset(sk_X509_new_null());
    return {};
}

// The chain from the leaf upwards: trusted (ending at an anchor) when one can be built,
// else the issuers found among the signature's own certificates.
CertStack chainOf(ReadSignature& signature, const TrustAnchors& anchors, bool& trusted) {
    trusted = false;
    StorePtr store(X509_STORE_new());
    for (const auto& pem : anchors.pems) {
        BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
        while (X509* cert = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr)) {
            X509_STORE_add_cert(store.get(), cert);
            X509_free(cert);
        }
        ERR_clear_error();
    }
    StoreCtxPtr ctx(X509_STORE_CTX_new());
    if (ctx && X509_STORE_CTX_init(ctx.get(), store.get(), signature.signer, signature.certs.get()) == 1) {
        X509_STORE_CTX_set_purpose(ctx.get(), X509_PURPOSE_ANY);
        if (X509_verify_cert(ctx.get()) == 1) {
            trusted = true;
            return CertStack(X509_STORE_CTX_get1_chain(ctx.get()));
        }
    }
    ERR_clear_error();
    CertStack chain(sk_X509_new_null());
    X509* current = signature.signer;
    for (int depth = 0; current && depth < 10; ++depth) {
        X509_up_ref(current);
        sk_X509_push(chain.get(), current);
        X509* issuer = nullptr;
        for (int k = 0; k < sk_X509_num(signature.certs.get()); ++k) {
            X509* candidate = sk_X509_value(signature.certs.get(), k);
            if (candidate != current && X509_check_issued(candidate, current) == X509_V_OK) {
                issuer = candidate;
                break;
            }
        }
        current = issuer;
    }
    return chain;
}

bool evaluate(const std::vector<Clause>& clauses, const std::string& identifier, STACK_OF(X509)* chain,
              bool trusted) {
    int count = sk_X509_num(chain);
    for (const auto& clause : clauses) {
        if (auto* id = std::get_if<IdentifierClause>(&clause)) {
            if (id->identifier != identifier)
                return false;
        } else if (std::holds_alternative<AnchorClause>(clause)) {
            if (!trusted)
                return false;
        } else {
            const auto& cert = std::get<CertificateClause>(clause);
            long index = cert.fromRoot ? count + cert.slot : cert.slot;
            if (index < 0 || index >= count)
                return false;
            X509* x = sk_X509_value(chain, static_cast<int>(index));
            if (cert.key.starts_with("field.")) {
                if (cert.equals || !hasExtension(x, cert.key.substr(6)))
                    return false;
            } else {
                auto value = subjectEntry(x, cert.key.substr(8));
                if (cert.equals ? value != cert.equals : !value)
                    return false;
            }
        }
    }
    return true;
}

} // namespace

std::string CodeSignature::manifest(const std::string& bundlePath, const std::string& identifier) {
    return dumpChecked(manifestJson(bundlePath, identifier));
}

int CodeSignature::openStatic(const std::string& bundlePath) {
    // The bundle's own path may be a link; its Contents must be a folder of its own.
    struct stat info {};
    if (bundlePath.empty() || ::stat(bundlePath.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return notABundle;
    if (::lstat((fs::path(bundlePath) / "Contents").c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return notABundle;
    return ok;
}

int CodeSignature::compileRequirement(const std::string& requirement) {
    return RequirementParser(requirement).parse() ? ok : badRequirement;
}

CodeSignature::Result CodeSignature::checkValidity(const std::string& bundlePath, const std::string& requirement,
                                                   const TrustAnchors& anchors) {
    if (openStatic(bundlePath) != ok)
        return {notABundle, "the path is not a bundle"};
    auto clauses = RequirementParser(requirement).parse();
    if (!clauses)
        return {badRequirement, "the requirement cannot be read"};
    const fs::path bundle(bundlePath);
    // The manifest has no entry for the bundle's own folder (older releases were signed so, and
    // must still verify), so its mode is checked here: a folder that other users can write to
    // would let them replace the installed app's Contents.
    struct stat root {};
    if (::stat(bundlePath.c_str(), &root) != 0)
        return {notABundle, std::string("the bundle's folder cannot be read: ") + std::strerror(errno)};
    if (writableByOthers(root.st_mode))
        return {modified, "the bundle's folder can be changed by other users (mode " + octal(root.st_mode) + ")"};
    if (auto result = checkSignatureFolder(bundle); result.status != ok)
        return result;
    auto manifestText = readSignatureFile(bundle, manifestName, maxManifestBytes);
    if (!manifestText)
        return {notSigned, "the bundle is not signed"};
    ReadSignature signature;
    if (auto result = readSignature(bundle, *manifestText, signature); result.status != ok)
        return result;

    nlohmann::json stored;
    std::string identifier;
    nlohmann::json storedFiles;
    try {
        stored = JsonText::parse(*manifestText);
        JsonObject object(stored, "CodeResources");
        identifier = object.string("identifier");
        const nlohmann::json* files = object.find("files");
        if (!files || !files->is_object())
            throw DecodeError("CodeResources: files is not an object");
        storedFiles = *files;
    } catch (const std::exception&) {
        return {badSignature, "the signed manifest cannot be read"};
    }
    nlohmann::json current;
    try {
        current = entriesOf(bundle);
    } catch (const std::exception& error) {
        return {modified, std::string("the bundle cannot be checked: ") + error.what()};
    }
    for (auto it = current.begin(); it != current.end(); ++it)
        if (!storedFiles.contains(it.key()))
            return {modified, "a file was added after signing: " + it.key()};
    for (auto it = storedFiles.begin(); it != storedFiles.end(); ++it) {
        auto found = current.find(it.key());
        if (found == current.end())
            return {modified, "a signed file is missing: " + it.key()};
        if (*found != it.value())
            return {modified, "a file was changed after signing: " + it.key()};
    }

    bool trusted = false;
    CertStack chain = chainOf(signature, anchors, trusted);
    if (!evaluate(*clauses, identifier, chain.get(), trusted))
        return {requirementFailed, "the signature does not satisfy its requirement"};
    return {};
}

std::optional<std::string> CodeSignature::teamIdentifier(const std::string& bundlePath) {
    const fs::path bundle(bundlePath);
    auto manifestText = readSignatureFile(bundle, manifestName, maxManifestBytes);
    if (!manifestText)
        return std::nullopt;
    ReadSignature signature;
    if (readSignature(bundle, *manifestText, signature).status != ok)
        return std::nullopt;
    return subjectEntry(signature.signer, "OU");
}

void CodeSignature::sign(const std::string& bundlePath, const std::string& identifier, const std::string& keyPEM,
                         const std::string& certificatePEM, const std::string& chainPEM) {
    if (openStatic(bundlePath) != ok)
        throw std::runtime_error(bundlePath + " is not a bundle (it has no Contents folder)");
    BioPtr keyBio(BIO_new_mem_buf(keyPEM.data(), static_cast<int>(keyPEM.size())));
    KeyPtr key(PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr));
    if (!key)
        throw std::runtime_error("the private key cannot be read: " + opensslError());
    BioPtr certBio(BIO_new_mem_buf(certificatePEM.data(), static_cast<int>(certificatePEM.size())));
    X509Ptr cert(PEM_read_bio_X509(certBio.get(), nullptr, nullptr, nullptr));
    if (!cert)
        throw std::runtime_error("the certificate cannot be read: " + opensslError());
    if (X509_check_private_key(cert.get(), key.get()) != 1)
        throw std::runtime_error("the private key does not belong to the certificate");
    CertStack chain(sk_X509_new_null());
    BioPtr chainBio(BIO_new_mem_buf(chainPEM.data(), static_cast<int>(chainPEM.size())));
    while (X509* extra = PEM_read_bio_X509(chainBio.get(), nullptr, nullptr, nullptr))
        sk_X509_push(chain.get(), extra);
    ERR_clear_error();

    const fs::path folder = fs::path(bundlePath) / "Contents" / folderName;
    std::error_code error;
    fs::remove_all(folder, error);
    const std::string text = manifest(bundlePath, identifier);
    BioPtr content(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
    CmsPtr cms(CMS_sign(cert.get(), key.get(), chain.get(), content.get(), CMS_BINARY | CMS_DETACHED));
    if (!cms)
        throw std::runtime_error("signing failed: " + opensslError());
    BioPtr der(BIO_new(BIO_s_mem()));
    if (i2d_CMS_bio(der.get(), cms.get()) != 1)
        throw std::runtime_error("the signature cannot be written: " + opensslError());
    char* bytes = nullptr;
    long length = BIO_get_mem_data(der.get(), &bytes);
    fs::create_directories(folder, error);
    if (error)
        throw std::runtime_error("cannot create " + folder.string() + ": " + error.message());
    const auto write = [&folder](const char* name, std::string_view data) {
        const fs::path path = folder / name;
        const UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (!fd || !FileIO::writeAll(fd.get(), data) || ::fsync(fd.get()) != 0)
            throw std::runtime_error("cannot write the signature into " + folder.string() + ": " + std::strerror(errno));
    };
    write(manifestName, text);
    write(signatureName, std::string_view(bytes, static_cast<std::size_t>(length)));
    // The verifier refuses a signature folder, signature files or bundle folder that other users
    // can write to, so they get the modes it accepts whatever the signer's umask is. The bundle
    // folder's mode is not in the manifest, so changing it leaves the signature valid.
    const fs::path files[] = {folder, folder / manifestName, folder / signatureName};
    for (const auto& path : files)
        ::chmod(path.c_str(), path == folder ? 0755 : 0644);
    struct stat root {};
    if (::stat(bundlePath.c_str(), &root) == 0 && writableByOthers(root.st_mode))
        ::chmod(bundlePath.c_str(), root.st_mode & 07755);
}

} // namespace quillmarsh
