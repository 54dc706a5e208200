// update-marker: stands in for the app's executable inside test bundles. When started it copies
// its own bundle's Contents/Info.plist to "relaunched" beside the bundle, so a test can see which
// version was started, and when.
#include <filesystem>
#include <fstream>
#include <system_error>

int main() {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return 1;
    fs::path bundle = exe.parent_path().parent_path().parent_path();
    fs::path partial = bundle.parent_path() / "relaunched.partial";
    {
        std::ifstream in(bundle / "Contents" / "Info.plist", std::ios::binary);
        std::ofstream out(partial, std::ios::binary);
        out << in.rdbuf();
    }
    fs::rename(partial, bundle.parent_path() / "relaunched", error);
    return error ? 1 : 0;
}
