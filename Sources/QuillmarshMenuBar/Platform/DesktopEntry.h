#pragma once

#include <QImage>

#include <array>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace quillmarsh {

// The app as the desktop knows it: a desktop entry "<data>/applications/<bundle id>.desktop" that
// names the app, its icon and its program, so launchers list and start it and notification servers
// find the app's name and icon under the notices' "desktop-entry" hint; and the icon in the hicolor
// theme, "<data>/icons/hicolor/<N>x<N>/apps/<bundle id>.png" at each of iconSizes. The bundle can
// lie anywhere and its icon is drawn by the app, so the installed app writes these itself when it
// starts, into the user's data folder, where desktops look.
class DesktopEntry {
public:
    // Why a file could not be written; what() is the text shown to the user.
    class Error : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // The pixel sizes desktops pick an application icon from.
    static constexpr std::array<int, 8> iconSizes{16, 24, 32, 48, 64, 128, 256, 512};
    // The app icon at size x size pixels.
    using IconImage = std::function<QImage(int size)>;

    DesktopEntry(std::string dataFolder, std::string bundleIdentifier);

    // $XDG_DATA_HOME when that is an absolute path, else $HOME/.local/share.
    static std::string defaultFolder();

    std::string entryPath() const;
    std::string iconPath(int size) const;

    // The entry's text for the program at executable, with the icon named after the bundle;
    // none for a path that cannot be written in a desktop entry (a line break or a control
    // character). The autostart entry is this text with its own key added.
    static std::optional<std::string> text(const std::string& executable, const std::string& bundleIdentifier);

    // Writes each icon, then the entry, so that a desktop reading the entry finds its icon. Each
    // file is replaced atomically, and only when its content differs. Throws Error.
    void install(const std::string& executable, const IconImage& icon) const;

    // Replaces the file at path with bytes through a temporary file beside it, creating the
    // folders on the way. Throws Error ("Could not write PATH: reason.").
    static void writeFile(const std::string& path, const std::string& bytes);

private:
    std::string folder_;
    std::string bundleIdentifier_;
};

} // namespace quillmarsh
