#include "Support/TempFolder.h"
#include "Virtualization/RestoreImage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using vz::RestoreImage;

namespace {

std::string image(const std::string& extra, const std::string& without = "") {
    std::string text = "#!quillmarsh-restore-image\n";
    for (const char* line : {"build 23A344", "version 14.0.1", "supported yes", "min-cpus 2", "min-memory-mib 4096",
                             "hardware-model quillmarsh-mac-vm-2"})
        if (without.empty() || std::string(line).rfind(without + " ", 0) != 0)
            text += std::string(line) + "\n";
    return text + extra;
}

std::string loadError(const std::string& text) {
    try {
        RestoreImage::parse(text, "/images/x.ipsw");
    } catch (const RestoreImage::LoadError& error) {
        return error.what();
    }
    return "";
}

} // namespace

TEST(MacInstallerRestoreImageTest, ReadsEveryKey) {
    const auto parsed = RestoreImage::parse(image("progress 0 0.004 0.5 1\r\nfail-at 0.75 disk  full \nstep-ms 250\n\n"), "x");
    EXPECT_EQ(parsed.buildVersion, "23A344");
    EXPECT_EQ(parsed.operatingSystemVersion, (RestoreImage::OperatingSystemVersion{14, 0, 1}));
    ASSERT_TRUE(parsed.mostFeaturefulSupportedConfiguration);
    EXPECT_EQ(*parsed.mostFeaturefulSupportedConfiguration,
              (RestoreImage::ConfigurationRequirements{"quillmarsh-mac-vm-2", 2, 4096ull * 1024 * 1024}));
    EXPECT_EQ(parsed.progress, (std::vector<double>{0, 0.004, 0.5, 1}));
    EXPECT_EQ(parsed.failAt, (RestoreImage::FailAt{0.75, "disk  full"}));
    EXPECT_EQ(parsed.stepMilliseconds, 250);

    // Without progress or fail-at the install simply finishes; "supported no" has no configuration.
    const auto plain = RestoreImage::parse(image(""), "x");
    EXPECT_TRUE(plain.progress.empty());
    EXPECT_FALSE(plain.failAt);
    EXPECT_EQ(plain.stepMilliseconds, 0);
    std::string unsupported = image("");
    unsupported.replace(unsupported.find("supported yes"), 13, "supported no");
    EXPECT_FALSE(RestoreImage::parse(unsupported, "x").mostFeaturefulSupportedConfiguration);
}

TEST(MacInstallerRestoreImageTest, RefusesWhatIsNotARestoreImage) {
    const std::string prefix = "/images/x.ipsw is not a restore image";
    struct Case {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {"", prefix},
        {"PK\3\4 binary", prefix},
        {"#!quillmarsh-restore-image2\nbuild 1\n", prefix},
        {" #!quillmarsh-restore-image\n", prefix},
        {image("", "build"), prefix + ": no build"},
        {image("", "hardware-model"), prefix + ": no hardware-model"},
        {image("colour blue\n"), prefix + ": line 8: unknown key colour"},
        {image("build 23A345\n"), prefix + ": line 8: repeated key build"},
        {image("progress\n"), prefix + ": line 8: progress has no value"},
        {image("progress 0.5 0.4\n"), prefix + ": line 8: progress must not go back"},
        {image("progress 0.5 1.5\n"), prefix + ": line 8: progress 1.5 is not a fraction from 0 to 1"},
        {image("progress 1e-3\n"), prefix + ": line 8: progress 1e-3 is not a fraction from 0 to 1"},
        {image("progress -0.1\n"), prefix + ": line 8: progress -0.1 is not a fraction from 0 to 1"},
        {image("progress .5\n"), prefix + ": line 8: progress .5 is not a fraction from 0 to 1"},
        {image("fail-at 0.5\n"), prefix + ": line 8: fail-at must be a fraction from 0 to 1 and a message"},
        {image("step-ms -1\n"), prefix + ": line 8: step-ms must be a whole number of milliseconds up to 86400000"},
        {image("step-ms 86400001\n"), prefix + ": line 8: step-ms must be a whole number of milliseconds up to 86400000"},
        {image("fail-at half broken\n"), prefix + ": line 8: fail-at must be a fraction from 0 to 1 and a message"},
        {image("", "version") + "version 14.0\n", prefix + ": line 7: version must be three numbers joined by \".\""},
        {image("", "version") + "version 14.x.1\n", prefix + ": line 7: version must be three numbers joined by \".\""},
        {image("", "supported") + "supported maybe\n", prefix + ": line 7: supported must be yes or no"},
        {image("", "min-cpus") + "min-cpus 0\n", prefix + ": line 7: min-cpus must be a whole number of at least 1"},
        {image("", "min-memory-mib") + "min-memory-mib 99999999999999999\n",
         prefix + ": line 7: min-memory-mib must be a whole number of at least 1"},
        // Numbers past 64 bits are refused, not read as some other number.
        {image("", "min-memory-mib") + "min-memory-mib 18446744073709551617\n",
         prefix + ": line 7: min-memory-mib must be a whole number of at least 1"},
        {image("", "min-cpus") + "min-cpus 9223372036854775808\n", prefix + ": line 7: min-cpus must be a whole number of at least 1"},
        {image("", "min-cpus") + "min-cpus +2\n", prefix + ": line 7: min-cpus must be a whole number of at least 1"},
        {image("", "version") + "version 14.18446744073709551616.1\n",
         prefix + ": line 7: version must be three numbers joined by \".\""},
        {image("", "build") + "build 23 A\n", prefix + ": line 7: build must be one word"},
        {image("hardware\1 x\n"), prefix + ": line 8: control character"},
        {image("") + "\xff\n", prefix + ": the text is not UTF-8"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(loadError(c.text), c.message) << c.text;
}

TEST(MacInstallerRestoreImageTest, LoadReadsTheFileAndNamesWhatFailed) {
    const auto loaded = RestoreImage::load(QUILLMARSH_FIXTURES "/ipsw/progress.ipsw");
    EXPECT_EQ(loaded.url, QUILLMARSH_FIXTURES "/ipsw/progress.ipsw");
    EXPECT_EQ(loaded.progress, (std::vector<double>{0.004, 0.009, 0.011}));

    const auto message = [](const std::string& path) {
        try {
            RestoreImage::load(path);
        } catch (const RestoreImage::LoadError& error) {
            return std::string(error.what());
        }
        return std::string();
    };
    EXPECT_EQ(message("/nonexistent/a.ipsw"), "cannot open restore image /nonexistent/a.ipsw: No such file or directory");
    EXPECT_EQ(message(QUILLMARSH_FIXTURES "/ipsw"), "cannot read restore image " QUILLMARSH_FIXTURES "/ipsw: Is a directory");
    EXPECT_EQ(message(QUILLMARSH_FIXTURES "/ipsw/garbage.ipsw"), QUILLMARSH_FIXTURES "/ipsw/garbage.ipsw is not a restore image");

    // A large file with the right first line is refused by its size, without parsing it; one that
    // starts with anything else is not a restore image, however large.
    quillmarsh::test::TempFolder folder("qm-ipsw");
    const auto big = folder.write("big.ipsw", image("") + std::string(RestoreImage::maximumSize, '\n'));
    EXPECT_EQ(message(big), big.string() + " is not a restore image: the file is too large");
    const auto zip = folder.write("zip.ipsw", "PK\3\4" + std::string(RestoreImage::maximumSize, '\0'));
    EXPECT_EQ(message(zip), zip.string() + " is not a restore image");
    const auto exact = folder.write("exact.ipsw", image("") + std::string(RestoreImage::maximumSize - image("").size(), '\n'));
    EXPECT_EQ(RestoreImage::load(exact).buildVersion, "23A344");
}
