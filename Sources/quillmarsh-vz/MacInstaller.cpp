#include "MacInstaller.h"

#include "BundleFileSwap.h"
#include "ErrorLineCode.h"
#include "Foundation/FileIO.h"
#include "Foundation/IntegerText.h"
#include "Foundation/UniqueFd.h"
#include "MacGuestConfiguration.h"
#include "MainLoop.h"
#include "RunCommand.h"
#include "ToolOutput.h"
#include "Virtualization/VirtualMachineConfiguration.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmarsh {

namespace fs = std::filesystem;
using Config = vz::VirtualMachineConfiguration;

namespace {

constexpr std::int64_t bytesPerGB = 1'000'000'000;
constexpr std::int64_t bytesPerMiB = 1024 * 1024;

[[noreturn]] void failWith(const std::string& what, const fs::path& path, int error) {
    throw std::runtime_error(what + " " + path.string() + ": " + std::strerror(error));
}

void writeFile(const fs::path& path, std::string_view bytes) {
    UniqueFd file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!file)
        failWith("cannot create", path, errno);
    if (!FileIO::writeAll(file.get(), bytes))
        failWith("cannot write", path, errno);
    if (!file.close())
        failWith("cannot write", path, errno);
}

// An empty file extended to `size` bytes: sparse, so it takes no space until written.
void createDisk(const fs::path& path, std::int64_t size) {
    UniqueFd file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!file)
        failWith("cannot create", path, errno);
    if (::ftruncate(file.get(), static_cast<off_t>(size)) != 0)
        failWith("cannot resize", path, errno);
    if (!file.close())
        failWith("cannot write", path, errno);
}

// The bundle path as one folder: absolute, with links resolved (so a link to a bundle renews the
// folder it leads to and stays a link), without "." or ".." parts or a final slash.
fs::path bundleFolder(const std::string& bundle) {
    fs::path path = fs::weakly_canonical(fs::absolute(fs::path(bundle)));
    if (!path.has_filename() && path.has_parent_path() && path != path.root_path())
        path = path.parent_path();
    return path;
}

mode_t currentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

} // namespace

MacInstaller::Arguments MacInstaller::Arguments::parse(const std::vector<std::string>& args) {
    Arguments result;
    for (std::size_t index = 0; index < args.size(); index += 2) {
        const std::string& option = args[index];
        const std::string value = index + 1 < args.size() ? args[index + 1] : std::string();
        if (option == "--ipsw")
            result.ipsw = value;
        else if (option == "--bundle")
            result.bundle = value;
        else if (option == "--disk-gb" || option == "--cpus" || option == "--memory-mib") {
            const auto number = IntegerText::parse(value);
            if (!number)
                continue; // an unparsable value keeps the setting as it was
            (option == "--disk-gb" ? result.diskGB : option == "--cpus" ? result.cpus : result.memoryMiB) = *number;
        } else
            throw ArgumentError("unknown option " + option);
    }
    if (result.ipsw.empty() || result.bundle.empty())
        throw ArgumentError("macos-install needs --ipsw and --bundle");
    // Sizes that cannot be a file length or a memory size in bytes.
    if (result.diskGB < 0 || result.diskGB > std::numeric_limits<std::int64_t>::max() / bytesPerGB)
        throw ArgumentError("--disk-gb " + std::to_string(result.diskGB) + " is not a possible disk size");
    if (result.memoryMiB < 0 || result.memoryMiB > std::numeric_limits<std::int64_t>::max() / bytesPerMiB)
        throw ArgumentError("--memory-mib " + std::to_string(result.memoryMiB) + " is not a possible memory size");
    return result;
}

MacInstaller::MacInstaller(const std::vector<std::string>& args, Host host) : host_(std::move(host)) {
    try {
        const Arguments arguments = Arguments::parse(args);
        ipsw = arguments.ipsw;
        bundle = arguments.bundle;
        diskGB = arguments.diskGB;
        cpus = arguments.cpus;
        memoryMiB = arguments.memoryMiB;
    } catch (const ArgumentError& rejected) {
        error(std::string(ErrorLineCode::badArguments), rejected.what());
    }
}

MacInstaller::~MacInstaller() {
    installer.reset();
    discard();
}

std::int64_t MacInstaller::percent(double fraction) {
    if (!(fraction > 0))
        return 0;
    if (fraction >= 1)
        return 100;
    return static_cast<std::int64_t>(fraction * 100);
}

void MacInstaller::start() {
    if (ended_)
        return;
    vz::RestoreImage image;
    try {
        image = vz::RestoreImage::load(ipsw);
    } catch (const std::exception& failure) {
        error(std::string(ErrorLineCode::restoreImage), failure.what());
        return;
    }
    install(image);
}

void MacInstaller::install(const vz::RestoreImage& image) {
    if (ended_)
        return;
    const auto& requirements = image.mostFeaturefulSupportedConfiguration;
    const auto hardwareModel =
        requirements ? Config::HardwareModel::fromData(requirements->hardwareModel) : std::nullopt;
    if (!hardwareModel || !hardwareModel->isSupported()) {
        error(std::string(ErrorLineCode::unsupported),
              "this Mac cannot run the macOS version in " + fs::path(ipsw).filename().string());
        return;
    }

    Config configuration;
    try {
        folder_ = bundleFolder(bundle);
        struct stat info {};
        const bool exists = ::lstat(folder_.c_str(), &info) == 0;
        if (!exists && errno != ENOENT)
            failWith("cannot use the bundle", folder_, errno);
        if (exists && !S_ISDIR(info.st_mode))
            failWith("cannot use the bundle", folder_, ENOTDIR);

        // The new files are built in a staging folder first; an earlier bundle stays untouched
        // until the install has succeeded. For an existing bundle it lies inside it, on the file
        // system of the files it replaces (also when the bundle folder is a mount point); for a new
        // one beside it, to become the bundle. Its short name fits beside any bundle name.
        stagedInside_ = exists;
        const fs::path place = exists ? folder_ : folder_.parent_path();
        if (!exists)
            createFolders(place);
        std::string name = (place / ".installing-XXXXXX").string();
        if (::mkdtemp(name.data()) == nullptr)
            failWith(exists ? "cannot create a folder in" : "cannot create a folder beside", folder_, errno);
        staging_ = name;
        if (!stagedInside_)
            ::chmod(staging_.c_str(), 0777 & ~currentUmask()); // the bundle's own mode
        const fs::path staging(staging_);

        writeFile(staging / "hardware-model.bin", hardwareModel->data);
        writeFile(staging / "machine-id.bin", Config::MachineIdentifier::fresh().data);
        // The auxiliary storage for the hardware model: the boot state a later run starts from.
        writeFile(staging / "aux.img", "quillmarsh-aux " + hardwareModel->data + "\n");
        const fs::path disk = staging / "disk.img";
        createDisk(disk, diskGB * bytesPerGB);

        // The installing VM has the identity just written, and at least what the image needs.
        configuration.platform = macPlatform(staging_, false);
        configuration.bootLoader = Config::MacOSBootLoader{};
        configuration.cpuCount = std::max(cpus, requirements->minimumSupportedCPUCount);
        configuration.memorySize =
            std::max(static_cast<std::uint64_t>(memoryMiB) * bytesPerMiB, requirements->minimumSupportedMemorySize);
        configuration.storageDevices.push_back(
            {Config::StorageDevice::Kind::virtioBlock,
             Config::DiskImageAttachment(disk.string(), false, Config::CachingMode::uncached, Config::SynchronizationMode::full)});
        macDevices(configuration, std::nullopt, std::nullopt);
        configuration.validate();
    } catch (const std::exception& failure) {
        error(std::string(ErrorLineCode::installFailed), failure.what());
        return;
    }

    installer = std::make_unique<vz::MacOSInstaller>(configuration, ipsw, host_.post);
    installer->observeProgress([this](double fraction) {
        // Called on the installer's thread: the line is written from the main loop only.
        host_.post([this, fraction] { progressed(fraction); });
    });
    host_.emit({{"build", image.buildVersion},
                {"bundle", bundle},
                {"status", "started"},
                {"version", std::to_string(image.operatingSystemVersion.majorVersion) + "." +
                                std::to_string(image.operatingSystemVersion.minorVersion) + "." +
                                std::to_string(image.operatingSystemVersion.patchVersion)}});
    installer->install([this](std::optional<std::string> failure) { finished(failure); });
}

void MacInstaller::progressed(double fraction) {
    if (ended_)
        return;
    const std::int64_t value = percent(fraction);
    if (value == lastPercent)
        return;
    lastPercent = value;
    host_.emit({{"percent", value}, {"status", "installing"}});
}

void MacInstaller::finished(const std::optional<std::string>& failure) {
    if (ended_)
        return;
    if (failure) {
        error(std::string(ErrorLineCode::installFailed), *failure);
        return;
    }
    try {
        const fs::path staging(staging_);
        // A new bundle is the staging folder renamed; an existing one (also one that appeared
        // since the start) gets the four files, all of them or none.
        if (!stagedInside_ && ::rename(staging.c_str(), folder_.c_str()) == 0)
            staging_.clear();
        else if (stagedInside_ || errno == EEXIST || errno == ENOTEMPTY)
            BundleFileSwap(staging, folder_).replace(bundleFiles);
        else
            failWith("cannot move the new files into", folder_, errno);
    } catch (const BundleFileSwap::Failure& problem) {
        if (!problem.restored)
            staging_.clear(); // it holds an earlier file the message names
        error(std::string(ErrorLineCode::installFailed), problem.what());
        return;
    } catch (const std::exception& problem) {
        error(std::string(ErrorLineCode::installFailed), problem.what());
        return;
    }
    createdFolders_.clear(); // they hold the bundle now
    discardStaging();        // with the earlier files the new ones replaced
    ended_ = true;
    host_.emit({{"bundle", bundle}, {"status", "installed"}});
    host_.exit(0);
}

void MacInstaller::cancel() {
    error(std::string(ErrorLineCode::installFailed), "the install was cancelled");
}

void MacInstaller::error(const std::string& code, const std::string& message) {
    if (ended_)
        return;
    ended_ = true;
    discard();
    host_.emit({{"code", code}, {"message", message}, {"status", "error"}});
    host_.exit(1);
}

void MacInstaller::createFolders(const fs::path& folder) {
    std::vector<fs::path> missing;
    struct stat info {};
    for (fs::path at = folder; !at.empty() && ::lstat(at.c_str(), &info) != 0 && errno == ENOENT; at = at.parent_path()) {
        missing.push_back(at);
        if (at == at.root_path())
            break;
    }
    for (auto at = missing.rbegin(); at != missing.rend(); ++at) {
        if (::mkdir(at->c_str(), 0777) == 0)
            createdFolders_.push_back(at->string());
        else if (errno != EEXIST || !fs::is_directory(*at)) // one made meanwhile is not ours to remove
            failWith("cannot create the folder", *at, errno);
    }
}

void MacInstaller::discard() {
    discardStaging();
    // Only empty ones, the deepest first: whatever someone else put in them stays.
    for (auto folder = createdFolders_.rbegin(); folder != createdFolders_.rend(); ++folder)
        ::rmdir(folder->c_str());
    createdFolders_.clear();
}

void MacInstaller::discardStaging() {
    if (staging_.empty())
        return;
    std::error_code ignored;
    fs::remove_all(staging_, ignored);
    staging_.clear();
}

void macosInstallCommand(const std::vector<std::string>& args) {
    // Before any thread starts, so the signals reach the loop instead of ending the process
    // with the staging folder left behind.
    MainLoop::blockSignals();
    const auto emitLine = [](const nlohmann::json& line) {
        // Every line leaves at once, so the agent sees the progress while it happens.
        emit(line);
        std::fflush(stdout);
    };
    const auto exitWith = [](int status) {
        std::fflush(stdout);
        ::_exit(status); // at once: the installer's thread may still be writing when cancelled
    };
    static std::optional<MainLoop> loop;
    static std::optional<MacInstaller> installer;
    try {
        // The loop's own descriptors (out of descriptors, say) fail here; the agent gets a line.
        loop.emplace();
        for (const int signal : MainLoop::stopSignals)
            loop->onSignal(signal, [] {
                if (installer)
                    installer->cancel();
            });
    } catch (const std::exception& failure) {
        emitLine(errorLine(ErrorLineCode::installFailed, failure.what()));
        exitWith(1);
    }
    installer.emplace(args, MacInstaller::Host{loop->poster(), emitLine, exitWith});
    loop->post([] { installer->start(); });
    loop->run();
    ::_exit(1);
}

} // namespace quillmarsh
