// The all-or-nothing move of a bundle's new files, with both ways an earlier file leaves its place
// (the move aside is what a file system without RENAME_EXCHANGE gets).

#include "BundleFileSwap.h"

#include "Support/TempFolder.h"
#include "VZ/BundleState.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

using quillmarsh::BundleFileSwap;
using quillmarsh::test::fileStart;
using quillmarsh::test::treeState;
namespace fs = std::filesystem;


TEST(MacInstallerBundleFileSwapTest, EveryFileGoesInOrTheBundleStaysAsItWas) {
    const char* const names[] = {"disk.img", "aux.img", "machine-id.bin", "hardware-model.bin"};
    struct Case {
        std::string name;
        // Makes the one way the swap of the last file fails; none for a swap that succeeds.
        void (*spoil)(const quillmarsh::test::TempFolder&);
        std::string reason;
    };
    const Case cases[] = {
        {"succeeds", nullptr, ""},
        {"a folder in the last file's place",
         [](const quillmarsh::test::TempFolder& root) {
             fs::remove(root / "b/hardware-model.bin");
             root.write("b/hardware-model.bin/inside", "the user's");
         },
         "Is a directory"},
        {"the last new file missing", [](const quillmarsh::test::TempFolder& root) { fs::remove(root / "b/.s/hardware-model.bin"); },
         "No such file or directory"},
    };
    for (const auto method : {BundleFileSwap::Method::exchange, BundleFileSwap::Method::moveAside}) {
        for (const auto& c : cases) {
            SCOPED_TRACE((method == BundleFileSwap::Method::exchange ? "exchange, " : "move aside, ") + c.name);
            quillmarsh::test::TempFolder root;
            // An earlier bundle without "machine-id.bin", with a file of the user's; its new files.
            for (const char* name : {"disk.img", "aux.img", "hardware-model.bin"})
                root.write(fs::path("b") / name, std::string("earlier ") + name);
            root.write("b/notes.txt", "kept");
            for (const char* name : names)
                root.write(fs::path("b/.s") / name, std::string("new ") + name);
            if (c.spoil)
                c.spoil(root);
            const auto before = treeState(root);

            try {
                BundleFileSwap(root / "b/.s", root / "b", method).replace(names);
                EXPECT_FALSE(c.spoil) << "the swap succeeded";
            } catch (const BundleFileSwap::Failure& failure) {
                EXPECT_EQ(failure.what(), "cannot move the new files into " + (root / "b/hardware-model.bin").string() + ": " + c.reason);
                EXPECT_TRUE(failure.restored);
            }
            if (c.spoil) {
                EXPECT_EQ(treeState(root), before);
                continue;
            }
            for (const char* name : names)
                EXPECT_EQ(fileStart(root / "b" / name), std::string("new ") + name);
            // The earlier files wait in the staging folder, for the caller to remove.
            std::size_t earlier = 0;
            for (const auto& entry : fs::directory_iterator(root / "b/.s"))
                earlier += fileStart(entry.path()).starts_with("earlier ");
            EXPECT_EQ(earlier, 3u);
            EXPECT_EQ(treeState(root).at("b/notes.txt"), before.at("b/notes.txt"));
        }
    }
}
