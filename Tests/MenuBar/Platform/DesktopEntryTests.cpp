#include "Foundation/FileIO.h"
#include "Platform/DesktopEntry.h"
#include "StatusMenu/MarkIcon.h"
#include "Support/TempFolder.h"
#include "Support/TestApplication.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace quillmarsh {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

constexpr std::size_t maxFileBytes = 4 << 20;
const std::string program = "/opt/Apps/Quillmarsh.app/Contents/MacOS/Quillmarsh";

QImage appIcon(int size) { return MarkIcon::appIcon(size, 1.0); }

std::vector<std::string> expectedFiles() {
    std::vector<std::string> files{"applications/org.quillmarsh.app.desktop"};
    for (const int size : DesktopEntry::iconSizes) {
        const std::string side = std::to_string(size) + "x" + std::to_string(size);
        files.push_back("icons/hicolor/" + side + "/apps/org.quillmarsh.app.png");
    }
    return files;
}

// Every regular file under folder, relative to it, with its inode: a file replaced gets a new one.
std::map<std::string, ino_t> filesIn(const fs::path& folder) {
    std::map<std::string, ino_t> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat status {};
        if (entry.is_regular_file() && ::stat(entry.path().c_str(), &status) == 0)
            files[fs::relative(entry.path(), folder).string()] = status.st_ino;
    }
    return files;
}

TEST(DesktopEntry, InstallPutsTheEntryAndTheIconAtEverySizeWhereDesktopsLook) {
    test::ensureApp();
    TempFolder tmp;
    const DesktopEntry entry((tmp / "data").string(), "org.quillmarsh.app");
    entry.install(program, appIcon);

    std::vector<std::string> names;
    for (const auto& [name, inode] : filesIn(tmp / "data")) names.push_back(name);
    auto expected = expectedFiles();
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected) << "nothing else, no temporary file";

    EXPECT_EQ(FileIO::readFile(entry.entryPath(), maxFileBytes).value_or(""),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Quillmarsh\n"
              "Icon=org.quillmarsh.app\n"
              "TryExec=/opt/Apps/Quillmarsh.app/Contents/MacOS/Quillmarsh\n"
              "Exec=\"/opt/Apps/Quillmarsh.app/Contents/MacOS/Quillmarsh\"\n"
              "Terminal=false\n"
              "Categories=Development;\n"
              "X-GNOME-UsesNotifications=true\n");
    for (const int size : DesktopEntry::iconSizes) {
        SCOPED_TRACE(size);
        const QImage icon(QString::fromStdString(entry.iconPath(size)), "PNG");
        ASSERT_FALSE(icon.isNull());
        EXPECT_EQ(icon.size(), QSize(size, size));
        // The rounded orange tile: clear in the corner, orange at the middle of the top edge.
        EXPECT_EQ(icon.pixelColor(0, 0).alpha(), 0);
        EXPECT_EQ(icon.pixelColor(size / 2, size / 16).rgb(), MarkIcon::orange().rgb());
    }
}

TEST(DesktopEntry, InstallReplacesOnlyTheFilesThatDiffer) {
    test::ensureApp();
    TempFolder tmp;
    const DesktopEntry entry((tmp / "data").string(), "org.quillmarsh.app");
    entry.install(program, appIcon);
    const auto first = filesIn(tmp / "data");
    entry.install(program, appIcon);
    EXPECT_EQ(filesIn(tmp / "data"), first) << "an unchanged file is left as it is";

    // An entry of an earlier place of the app and a damaged icon are put right; the rest stays.
    tmp.write("data/applications/org.quillmarsh.app.desktop", "[Desktop Entry]\nExec=/old/Quillmarsh\n");
    tmp.write("data/icons/hicolor/48x48/apps/org.quillmarsh.app.png", "not a picture");
    auto changed = filesIn(tmp / "data");
    entry.install("/new/Quillmarsh.app/Contents/MacOS/Quillmarsh", appIcon);
    const auto second = filesIn(tmp / "data");
    for (const auto& [name, inode] : second) {
        SCOPED_TRACE(name);
        const bool put = name.ends_with(".desktop") || name.find("/48x48/") != std::string::npos;
        EXPECT_EQ(inode != changed[name], put);
    }
    EXPECT_NE(FileIO::readFile(entry.entryPath(), maxFileBytes)
                  .value_or("")
                  .find("\nExec=\"/new/Quillmarsh.app/Contents/MacOS/Quillmarsh\"\n"),
              std::string::npos);
    EXPECT_EQ(QImage(QString::fromStdString(entry.iconPath(48)), "PNG").size(), QSize(48, 48));
}

TEST(DesktopEntry, WhatCannotBeWrittenSaysWhyAndLeavesNoEntry) {
    test::ensureApp();
    TempFolder tmp;
    struct Case {
        const char* name;
        std::string folder;
        std::string executable;
        std::string saying;
    };
    const Case cases[] = {
        {"a line break in the path", (tmp / "data").string(), "/Apps/x\nExec=evil", "cannot be used"},
        {"a file where a folder goes", tmp.write("file", "").string() + "/data", program, "file/data"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            DesktopEntry(c.folder, "org.quillmarsh.app").install(c.executable, appIcon);
            ADD_FAILURE() << "no error";
        } catch (const DesktopEntry::Error& error) {
            EXPECT_NE(std::string(error.what()).find(c.saying), std::string::npos) << error.what();
        }
        EXPECT_FALSE(FileIO::exists(DesktopEntry(c.folder, "org.quillmarsh.app").entryPath()));
    }
}

TEST(DesktopEntry, DefaultFolderFollowsXdgDataHome) {
    const auto saved = [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    };
    const auto restore = [](const char* name, const std::optional<std::string>& value) {
        if (value) ::setenv(name, value->c_str(), 1);
        else ::unsetenv(name);
    };
    const auto data = saved("XDG_DATA_HOME");
    const auto home = saved("HOME");
    ::setenv("HOME", "/x/home", 1);
    const struct {
        std::optional<std::string> value;
        const char* folder;
    } cases[] = {
        {"/x/data", "/x/data"},
        {"relative", "/x/home/.local/share"},
        {"", "/x/home/.local/share"},
        {std::nullopt, "/x/home/.local/share"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.value_or("(unset)"));
        restore("XDG_DATA_HOME", c.value);
        EXPECT_EQ(DesktopEntry::defaultFolder(), c.folder);
    }
    restore("HOME", home);
    restore("XDG_DATA_HOME", data);
}

} // namespace
} // namespace quillmarsh
