#include "Platform/GitHubIdentity.h"

#include "Foundation/FileIO.h"
#include "Foundation/JsonObject.h"
#include "Foundation/JsonText.h"
#include "Foundation/Text.h"
#include "Platform/HttpClient.h"

#include <QByteArray>
#include <QDir>
#include <QSaveFile>
#include <QStandardPaths>

#include <stdexcept>

namespace quillmarsh {

namespace {

// The longest cache file read. An avatar is asked for at 144 pixels, some tens of KiB as PNG;
// a file bigger than 8 MiB is not one and is fetched again.
constexpr std::size_t maxCachedBytes = 8 << 20;

// A temporary file renamed over the old one: a reader never sees half an avatar.
void writeAtomically(const std::string& path, const std::string& bytes) {
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) return;
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
        file.cancelWriting();
        return;
    }
    file.commit();
}

std::optional<QImage> decode(const std::string& bytes) {
    QImage image;
    if (!image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()))) {
        return std::nullopt;
    }
    return image;
}

} // namespace

std::string GitHubIdentity::defaultCacheFolder(const std::string& bundleIdentifier) {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (base.isEmpty()) base = QDir::tempPath();
    return base.toStdString() + "/" + bundleIdentifier + "/accounts";
}

std::string GitHubIdentity::httpFetch(const std::string& url) {
    HttpClient::Request request(url, {{"User-Agent", "quillmarsh-mac"}}, std::chrono::milliseconds(20'000));
    HttpClient::Response response = HttpClient::get(request);
    if (response.status < 200 || response.status > 299) {
        throw std::runtime_error("GitHub answered with status " + std::to_string(response.status));
    }
    return std::move(response.body);
}

GitHubIdentity::Result GitHubIdentity::load(const std::string& cacheFolder, const std::string& owner,
                                            const Hosts& hosts, const Fetch& fetch) {
    QDir().mkpath(QString::fromStdString(cacheFolder));
    const std::string png = cacheFolder + "/" + owner + ".png";
    const std::string kindFile = cacheFolder + "/" + owner + ".kind";

    Result result;
    if (auto cached = FileIO::readFile(png, maxCachedBytes)) {
        result.avatar = decode(*cached);
        if (!result.avatar) std::remove(png.c_str());  // unreadable bytes are fetched again
    }
    if (auto cached = FileIO::readFile(kindFile, maxCachedBytes)) result.kind = Text::trimmingWhitespaceAndNewlines(*cached);

    if (!result.avatar) {
        try {
            std::string bytes = fetch(hosts.web + "/" + owner + ".png?size=144");
            if (auto image = decode(bytes)) {
                writeAtomically(png, bytes);
                result.avatar = std::move(image);
            }
        } catch (const std::exception&) {
        }
    }
    if (!result.kind || result.kind->empty()) {
        try {
            const nlohmann::json user = JsonText::parse(fetch(hosts.api + "/users/" + owner));
            std::string type = JsonObject(user, "User").string("type");
            writeAtomically(kindFile, type);
            result.kind = std::move(type);
        } catch (const std::exception&) {
        }
    }
    return result;
}

} // namespace quillmarsh
