#pragma once

#include <optional>
#include <string>

namespace quillmarsh {

// Whether a folder's file system sits on an encrypted (dm-crypt) block device, the Linux
// counterpart of "FileVault is On". The mount that holds the folder is found in
// <proc>/self/mountinfo; its block device in <sys>/dev/block/<major>:<minor> (or, for file
// systems with an anonymous device number, by the mount's source under <sys>/class/block). The
// device, or any device below it through slaves/ (LVM on LUKS), whose dm/uuid starts with
// "CRYPT-" makes it encrypted.
class FileVaultProbe {
public:
    FileVaultProbe() : FileVaultProbe("/proc", "/sys") {}
    FileVaultProbe(std::string procRoot, std::string sysRoot);

    // True when encrypted, false when the device is known and nothing below it is dm-crypt,
    // none when the mount or its device cannot be found.
    std::optional<bool> isEncrypted(const std::string& folder) const;

private:
    std::optional<std::string> deviceFolder(const std::string& majorMinor, const std::string& source) const;
    bool cryptBelow(const std::string& device, int depth) const;

    std::string procRoot_;
    std::string sysRoot_;
};

} // namespace quillmarsh
