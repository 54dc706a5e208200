#include "Foundation/FileIO.h"
#include "Platform/AutostartEntry.h"
#include "Platform/DesktopEntry.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <optional>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace quillmarsh {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

// A desktop entry is a few hundred bytes.
constexpr std::size_t maxEntryBytes = 64 << 10;

TEST(AutostartEntry, EnableWritesAnEntryThatDisableRemoves) {
    TempFolder tmp;
    const AutostartEntry entry(tmp / "config/autostart", "com.example.app");
    EXPECT_FALSE(entry.isEnabled());
    entry.enable("/opt/Quillmarsh.app/Contents/MacOS/Quillmarsh");
    EXPECT_TRUE(entry.isEnabled());
    EXPECT_EQ(entry.path(), tmp / "config/autostart/com.example.app.desktop");
    const std::string text = FileIO::readFile(entry.path(), maxEntryBytes).value_or("");
    EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(text.find("\nExec=\"/opt/Quillmarsh.app/Contents/MacOS/Quillmarsh\"\n"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp / "config/autostart"), fs::directory_iterator()), 1)
        << "no temporary file is left";
    entry.disable();
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_NO_THROW(entry.disable()) << "removing an absent entry is fine";
}

TEST(AutostartEntry, ExecQuotesSpecialCharactersAndRejectsLineBreaks) {
    const AutostartEntry entry("/x/autostart", "org.quillmarsh.app");
    const std::string text = entry.desktopEntry("/Apps/My \"Q\" $x 100%/a\\b");
    EXPECT_NE(text.find("Exec=\"/Apps/My \\\\\"Q\\\\\" \\\\$x 100%%/a\\\\\\\\b\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nTryExec=/Apps/My \"Q\" $x 100%/a\\\\b\n"), std::string::npos) << text;
    EXPECT_THROW(entry.desktopEntry("/Apps/x\nExec=evil"), AutostartEntry::Error);
}

// The login item starts the same program as the app's desktop entry, under the same name and
// icon: the desktop shows one app.
TEST(AutostartEntry, IsTheAppsDesktopEntryWithTheAutostartKey) {
    TempFolder tmp;
    const AutostartEntry entry(tmp / "autostart", "org.quillmarsh.app");
    const std::string program = "/opt/Quillmarsh.app/Contents/MacOS/Quillmarsh";
    entry.enable(program);
    EXPECT_EQ(FileIO::readFile(entry.path(), maxEntryBytes).value_or(""),
              DesktopEntry::text(program, "org.quillmarsh.app").value_or("(none)") +
                  "X-GNOME-Autostart-enabled=true\n");
    EXPECT_NE(FileIO::readFile(entry.path(), maxEntryBytes).value_or("").find("\nIcon=org.quillmarsh.app\n"),
              std::string::npos);
}

TEST(AutostartEntry, HiddenEntryCountsAsDisabledAndWriteErrorsCarryAMessage) {
    TempFolder tmp;
    const AutostartEntry entry(tmp.path(), "app");
    tmp.write("app.desktop", "[Desktop Entry]\nHidden=true\n");
    EXPECT_FALSE(entry.isEnabled());

    const AutostartEntry blocked(tmp.write("not-a-folder", "").string() + "/autostart", "app");
    try {
        blocked.enable("/bin/true");
        FAIL() << "no error";
    } catch (const AutostartEntry::Error& error) {
        EXPECT_NE(std::string(error.what()).find("not-a-folder"), std::string::npos) << error.what();
    }
}

TEST(AutostartEntry, DefaultFolderFollowsXdgConfigHome) {
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::optional<std::string> keep = saved ? std::optional<std::string>(saved) : std::nullopt;
    const char* savedHome = std::getenv("HOME");
    const std::optional<std::string> home = savedHome ? std::optional<std::string>(savedHome) : std::nullopt;
    setenv("HOME", "/x/home", 1);
    setenv("XDG_CONFIG_HOME", "/x/config", 1);
    EXPECT_EQ(AutostartEntry::defaultFolder(), "/x/config/autostart");
    setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(AutostartEntry::defaultFolder(), "/x/home/.config/autostart");
    // Without HOME the account's home from the password database, never the root folder.
    unsetenv("HOME");
    const passwd* account = ::getpwuid(::getuid());
    if (account != nullptr) {
        EXPECT_EQ(AutostartEntry::defaultFolder(), std::string(account->pw_dir) + "/.config/autostart");
    }
    if (home) setenv("HOME", home->c_str(), 1);
    if (keep) setenv("XDG_CONFIG_HOME", keep->c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
}

} // namespace
} // namespace quillmarsh
