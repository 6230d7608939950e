#include "tests/support/TempDir.h"

#include "platform/Files.h"
#include "platform/ImageDrive.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace velkan::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velkan-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests make read-only folders on purpose; give them back before removal.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
    }
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::string readFile(const std::filesystem::path& file) {
    if (platform::imagedrive::locate(file)) {
        auto bytes = platform::host::readWholeFile(file);
        if (!bytes)
            throw std::runtime_error("cannot read " + file.string() + ": " + bytes.error().message);
        return *bytes;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::filesystem::path& file, const std::string& bytes) {
    if (platform::imagedrive::locate(file)) {
        if (auto made = platform::host::createDirectories(file.parent_path()); !made)
            throw std::runtime_error("cannot write " + file.string() + ": " + made.error().message);
        if (auto written = platform::host::writeWholeFile(file, bytes); !written)
            throw std::runtime_error("cannot write " + file.string() + ": " +
                                     written.error().message);
        return;
    }
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

} // namespace velkan::test
