// quillmarsh-test-guest OUTDIR: writes the tests' real Linux guest into OUTDIR, "vmlinuz" (a copy
// of the host's newest kernel) and "initramfs.cpio", for the benchmark and the demo. The guest runs
// the shell snippet of its kernel command line (see TestGuest.h).

#include "Support/TestGuest.h"

#include <exception>
#include <filesystem>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: quillmarsh-test-guest OUTDIR\n";
        return 2;
    }
    try {
        if (auto why = quillmarsh::test::TestGuest::whyUnavailable()) {
            std::cerr << *why << "\n";
            return 1;
        }
        const std::filesystem::path folder = argv[1];
        std::filesystem::create_directories(folder);
        const auto guest = quillmarsh::test::TestGuest::buildAt(folder / "initramfs.cpio");
        std::filesystem::copy_file(guest.kernel, folder / "vmlinuz", std::filesystem::copy_options::overwrite_existing);
        std::cout << (folder / "vmlinuz").string() << "\n" << guest.initramfs.string() << "\n";
    } catch (const std::exception& error) {
        std::cerr << "quillmarsh-test-guest: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
