#pragma once

// Helpers of the updater tests: certificates made with the openssl tool, test bundles, zip
// archives written with libarchive, and running programs as processes.

#include "Foundation/FileIO.h"
#include "Support/OrdinaryUser.h"
#include "Support/Process.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillmarsh::updatetest {

namespace fs = std::filesystem;

using test::ProcessResult;
using test::runProcess;
using test::TempFolder;
using test::asOrdinaryUser;

// The longest file a test reads back: the programs copied into test bundles, a few MiB with
// sanitisers, are the biggest.
constexpr std::size_t maxReadBytes = 64 << 20;

// The bytes of a file; throws when it cannot be read, so the test fails on that.
inline std::string readText(const fs::path& path) {
    auto text = FileIO::readFile(path.string(), maxReadBytes);
    if (!text)
        throw std::runtime_error("cannot read " + path.string());
    return std::move(*text);
}

inline void writeText(const fs::path& path, const std::string& text, fs::perms perms = fs::perms(0644)) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
    fs::permissions(path, perms);
}

inline void shell(const std::string& command) {
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

// A root, an intermediate with the Developer ID intermediate marker, and leaves with the
// application marker, made with the openssl tool into a folder.
struct TestCertificates {
    fs::path folder;
    fs::path root, intermediate, intermediateKey;

    explicit TestCertificates(fs::path into, const std::string& name = "Test") : folder(std::move(into)) {
        fs::create_directories(folder);
        root = folder / (name + "-root.pem");
        intermediate = folder / (name + "-intermediate.pem");
        intermediateKey = folder / (name + "-intermediate.key");
        const std::string f = folder.string() + "/" + name;
        writeText(f + "-int.ext",
                  "basicConstraints=critical,CA:TRUE\nkeyUsage=critical,keyCertSign\n"
                  "1.2.840.113635.100.6.2.6=ASN1:NULL\n");
        shell("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout '" + f +
              "-root.key' -out '" + root.string() + "' -subj '/CN=" + name +
              " Root' -days 3650 -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign "
              "2>/dev/null");
        shell("openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout '" + intermediateKey.string() +
              "' -out '" + f + "-int.csr' -subj '/CN=" + name + " Intermediate' 2>/dev/null");
        shell("openssl x509 -req -in '" + f + "-int.csr' -CA '" + root.string() + "' -CAkey '" + f +
              "-root.key' -set_serial 2 -days 3650 -extfile '" + f + "-int.ext' -out '" + intermediate.string() +
              "' 2>/dev/null");
    }

    struct Leaf {
        fs::path key, cert;
    };

    // A leaf under the intermediate whose organisational unit is team.
    Leaf leaf(const std::string& team, bool marker = true) const {
        static int serial = 100;
        const std::string f = folder.string() + "/leaf-" + team + "-" + std::to_string(++serial);
        writeText(f + ".ext", std::string("basicConstraints=critical,CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                                          "extendedKeyUsage=codeSigning\n") +
                                  (marker ? "1.2.840.113635.100.6.1.13=ASN1:NULL\n" : ""));
        shell("openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout '" + f + ".key' -out '" + f +
              ".csr' -subj '/CN=Developer ID Application: Test/OU=" + team + "/O=Test' 2>/dev/null");
        shell("openssl x509 -req -in '" + f + ".csr' -CA '" + intermediate.string() + "' -CAkey '" +
              intermediateKey.string() + "' -set_serial " + std::to_string(serial) + " -days 3650 -extfile '" + f +
              ".ext' -out '" + f + ".pem' 2>/dev/null");
        return {f + ".key", f + ".pem"};
    }
};

inline std::string infoPlist(const std::string& identifier, const std::string& version) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
           "\t<key>CFBundleIdentifier</key>\n\t<string>" + identifier + "</string>\n"
           "\t<key>CFBundleShortVersionString</key>\n\t<string>" + version + "</string>\n</dict>\n</plist>\n";
}

// A bundle at path whose executable is a copy of program (update-marker by default).
inline void makeBundle(const fs::path& path, const std::string& version,
                       const std::string& program = std::string(QUILLMARSH_BIN_DIR) + "/update-marker",
                       const std::string& identifier = "org.quillmarsh.app") {
    fs::create_directories(path / "Contents/MacOS");
    fs::create_directories(path / "Contents/Resources");
    writeText(path / "Contents/Info.plist", infoPlist(identifier, version));
    fs::copy_file(program, path / "Contents/MacOS/Quillmarsh", fs::copy_options::overwrite_existing);
    fs::permissions(path / "Contents/MacOS/Quillmarsh", fs::perms(0755));
}

// Signs with the release tool, as a process.
inline void signBundle(const fs::path& bundle, const TestCertificates& certs, const TestCertificates::Leaf& leaf) {
    auto result = runProcess({std::string(QUILLMARSH_BIN_DIR) + "/quillmarsh-sign", "--key", leaf.key.string(),
                              "--cert", leaf.cert.string(), "--chain", certs.intermediate.string(), bundle.string()},
                             {"PATH=/usr/bin:/bin"});
    if (result.status != 0)
        throw std::runtime_error("quillmarsh-sign failed: " + result.out);
}

struct ZipEntry {
    std::string name;
    enum class Kind { file, folder, link } kind = Kind::file;
    std::string data;  // file content or link target
    unsigned mode = 0644;
};

inline std::string zipBytes(const std::vector<ZipEntry>& entries) {
    archive* writer = archive_write_new();
    archive_write_set_format_zip(writer);
    std::vector<char> buffer(16 * 1024 * 1024);
    std::size_t used = 0;
    if (archive_write_open_memory(writer, buffer.data(), buffer.size(), &used) != ARCHIVE_OK)
        throw std::runtime_error("zip open");
    for (const auto& e : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.name.c_str());
        if (e.kind == ZipEntry::Kind::folder) {
            archive_entry_set_filetype(entry, AE_IFDIR);
        } else if (e.kind == ZipEntry::Kind::link) {
            archive_entry_set_filetype(entry, AE_IFLNK);
            archive_entry_set_symlink(entry, e.data.c_str());
        } else {
            archive_entry_set_filetype(entry, AE_IFREG);
            archive_entry_set_size(entry, static_cast<la_int64_t>(e.data.size()));
        }
        archive_entry_set_perm(entry, e.mode);
        if (archive_write_header(writer, entry) != ARCHIVE_OK)
            throw std::runtime_error(std::string("zip header: ") + archive_error_string(writer));
        if (e.kind == ZipEntry::Kind::file && !e.data.empty())
            archive_write_data(writer, e.data.data(), e.data.size());
        archive_entry_free(entry);
    }
    archive_write_close(writer);
    archive_write_free(writer);
    return std::string(buffer.data(), used);
}

// The entries of a folder tree, named under prefix (links kept as links).
inline std::vector<ZipEntry> entriesOf(const fs::path& folder, const std::string& prefix) {
    std::vector<ZipEntry> out;
    out.push_back({prefix, ZipEntry::Kind::folder, "", 0755});
    std::vector<fs::path> paths;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it)
        paths.push_back(it->path());
    std::sort(paths.begin(), paths.end());
    for (const auto& p : paths) {
        std::string name = prefix + "/" + p.lexically_relative(folder).string();
        struct stat info {};
        ::lstat(p.c_str(), &info);
        unsigned mode = info.st_mode & 0777;
        if (S_ISLNK(info.st_mode))
            out.push_back({name, ZipEntry::Kind::link, fs::read_symlink(p).string(), 0777});
        else if (S_ISDIR(info.st_mode))
            out.push_back({name, ZipEntry::Kind::folder, "", mode});
        else
            out.push_back({name, ZipEntry::Kind::file, readText(p), mode});
    }
    return out;
}

// Suites that sign bundles share one set of certificates, made once per suite (openssl is slow).
class CertificatesSuite : public ::testing::Test {
protected:
    static inline TempFolder* certFolder = nullptr;
    static inline TestCertificates* certs = nullptr;

    static void SetUpTestSuite() {
        certFolder = new TempFolder("qm-certs");
        certs = new TestCertificates(certFolder->path());
    }
    static void TearDownTestSuite() {
        delete certs;
        delete certFolder;
    }
};

} // namespace quillmarsh::updatetest
