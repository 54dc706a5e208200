#include "VM/VMOptions.h"

#include "Foundation/IntegerText.h"
#include "Foundation/Text.h"

#include <clocale>
#include <cwctype>
#include <limits>
#include <locale.h>

namespace quillmarsh {

namespace {

bool endsWithReadOnly(const std::string& value) {
    return value.size() >= 3 && value.compare(value.size() - 3, 3, ":ro") == 0;
}

// Unicode lower case, character by character, from the C library's UTF-8 character tables (the
// tool stays free of ICU, which would cost every start of the process). ASCII is mapped directly;
// without those tables only ASCII changes.
std::string lowercased(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    static const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    for (char32_t c : Text::decodeUTF8(text)) {
        if (c >= U'A' && c <= U'Z') {
            c = c - U'A' + U'a';
        } else if (c >= 0x80 && utf8) {
            c = static_cast<char32_t>(::towlower_l(static_cast<wint_t>(c), utf8));
        }
        Text::appendUTF8(out, c);
    }
    return out;
}

// ASCII hex digits and their full-width forms (U+FF10–FF19, U+FF21–FF26, U+FF41–FF46).
bool isHexDigit(char32_t c) {
    return (c >= U'0' && c <= U'9') || (c >= U'a' && c <= U'f') || (c >= U'A' && c <= U'F') ||
           (c >= 0xFF10 && c <= 0xFF19) || (c >= 0xFF21 && c <= 0xFF26) || (c >= 0xFF41 && c <= 0xFF46);
}

bool looksLikeMAC(const std::string& lower) {
    const std::u32string text = Text::decodeUTF8(lower);
    int pieces = 1;
    int length = 0;
    for (char32_t c : text) {
        if (c == U':') {
            if (length != 2) return false;
            ++pieces;
            length = 0;
            continue;
        }
        if (!isHexDigit(c)) return false;
        ++length;
    }
    return pieces == 6 && length == 2;
}

class Parser {
public:
    explicit Parser(const std::vector<std::string>& args) : args_(args) {}

    VMOptions run() {
        VMOptions options;
        for (index_ = 0; index_ < args_.size(); ++index_) {
            const std::string& option = args_[index_];
            if (option == "--disk") {
                std::string path = value(option);
                bool readOnly = false;
                if (endsWithReadOnly(path)) {
                    path.resize(path.size() - 3);
                    readOnly = true;
                }
                options.disks.push_back({std::move(path), readOnly});
            } else if (option == "--share") {
                options.shares.push_back(share(value(option)));
            } else if (option == "--cpus") {
                options.cpus = integer(option, 1);
            } else if (option == "--memory-mib") {
                options.memoryMiB = integer(option, 512);
            } else if (option == "--efi-store") {
                options.efiStore = value(option);
            } else if (option == "--kernel") {
                options.kernel = value(option);
            } else if (option == "--initrd") {
                options.initrd = value(option);
            } else if (option == "--macos-bundle") {
                options.macBundle = value(option);
            } else if (option == "--keep-identity") {
                options.keepIdentity = true;
            } else if (option == "--report-dir") {
                options.reportDir = value(option);
            } else if (option == "--cmdline") {
                options.cmdline = value(option);
            } else if (option == "--console-log") {
                options.consoleLog = value(option);
            } else if (option == "--timeout-s") {
                options.timeoutSeconds = integer(option, 1);
            } else if (option == "--stop-grace-s") {
                options.stopGraceSeconds = integer(option, 0);
            } else if (option == "--rosetta") {
                options.rosetta = true;
            } else if (option == "--disk-bus") {
                const std::string text = value(option);
                const auto bus = fromRaw<VMDiskBus>(text);
                if (!bus) throw VMOptions::ParseError("--disk-bus must be nvme or virtio, got " + text);
                options.bus = *bus;
            } else if (option == "--cache") {
                const std::string text = value(option);
                const auto cache = fromRaw<VMDiskCache>(text);
                if (!cache) {
                    throw VMOptions::ParseError("--cache must be uncached, cached or automatic, got " + text);
                }
                options.cache = *cache;
            } else if (option == "--secret-stdin") {
                options.secretStdin = true;
            } else if (option == "--secret-on-demand") {
                options.secretOnDemand = true;
            } else if (option == "--secret-timeout-s") {
                options.secretTimeoutSeconds = integer(option, 1);
            } else if (option == "--nice") {
                const std::int64_t nice = integer(option, 0);
                if (nice > 20) throw VMOptions::ParseError("--nice must be 0 to 20, got " + std::to_string(nice));
                options.nice = nice;
            } else if (option == "--net-fd") {
                const std::int64_t fd = integer(option, 3);
                if (fd > std::numeric_limits<std::int32_t>::max()) {
                    throw VMOptions::ParseError("--net-fd is out of range");
                }
                options.netFD = static_cast<std::int32_t>(fd);
            } else if (option == "--nested") {
                options.nested = true;
            } else if (option == "--mac") {
                const std::string lower = lowercased(value(option));
                if (!looksLikeMAC(lower)) {
                    throw VMOptions::ParseError("--mac must look like 02:00:00:00:00:01, got " + lower);
                }
                options.mac = lower;
            } else if (option == "--sync") {
                const std::string text = value(option);
                const auto sync = fromRaw<VMDiskSync>(text);
                if (!sync) throw VMOptions::ParseError("--sync must be full or none, got " + text);
                options.sync = *sync;
            } else {
                throw VMOptions::ParseError("unknown option " + option);
            }
        }
        check(options);
        return options;
    }

private:
    // The argument after the option; the walk then goes on after it.
    std::string value(const std::string& option) {
        if (index_ + 1 >= args_.size()) throw VMOptions::ParseError(option + " needs a value");
        ++index_;
        return args_[index_];
    }

    std::int64_t integer(const std::string& option, std::int64_t minimum) {
        const std::string text = value(option);
        const auto parsed = IntegerText::parse(text);
        if (!parsed || *parsed < minimum) {
            throw VMOptions::ParseError(option + " must be an integer of at least " + std::to_string(minimum) +
                                        ", got " + text);
        }
        return *parsed;
    }

    static VMShare share(const std::string& text) {
        const auto equals = text.find('=');
        VMShare share;
        if (equals != std::string::npos) {
            share.tag = text.substr(0, equals);
            share.path = text.substr(equals + 1);
            if (endsWithReadOnly(share.path)) {
                share.path.resize(share.path.size() - 3);
                share.readOnly = true;
            }
        }
        if (equals == std::string::npos || share.tag.empty() || share.path.empty()) {
            throw VMOptions::ParseError("--share must be tag=path, got " + text);
        }
        return share;
    }

    static void check(const VMOptions& options) {
        if (options.disks.empty()) throw VMOptions::ParseError("--disk is required");
        if (!options.efiStore.empty() && options.kernel) {
            throw VMOptions::ParseError("--kernel and --efi-store are exclusive");
        }
        if (options.efiStore.empty() && !options.kernel && !options.macBundle) {
            throw VMOptions::ParseError("--kernel, --efi-store or --macos-bundle is required");
        }
        if (!options.kernel && options.initrd) throw VMOptions::ParseError("--initrd needs --kernel");
        if (options.nested && options.macBundle) throw VMOptions::ParseError("--nested is for Linux guests");
        for (const VMShare& share : options.shares) {
            if (share.tag == "rosetta") throw VMOptions::ParseError("the tag rosetta is reserved for --rosetta");
        }
    }

    const std::vector<std::string>& args_;
    std::size_t index_ = 0;
};

} // namespace

VMOptions VMOptions::parse(const std::vector<std::string>& args) {
    return Parser(args).run();
}

} // namespace quillmarsh
