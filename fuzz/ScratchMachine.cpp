#include "fuzz/ScratchMachine.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <system_error>
#include <unistd.h>

namespace velkan::fuzz {

namespace fs = std::filesystem;

namespace {

fs::path makeScratchFolder() {
    std::error_code ec;
    fs::path base = "/dev/shm";
    if (!fs::is_directory(base, ec) || ::access(base.c_str(), W_OK) != 0)
        base = fs::temp_directory_path(ec);
    std::string pattern = (base / "velkan-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        fail("cannot make the scratch folder");
    return pattern;
}

struct Scratch {
    fs::path folder = makeScratchFolder();
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
};

const fs::path& scratchFolder() {
    static Scratch scratch;
    return scratch.folder;
}

} // namespace

void fail(const char* what) {
    std::fprintf(stderr, "fuzz harness: %s\n", what);
    std::abort();
}

platform::Machine freshMachine(std::string_view name) {
    const fs::path root = scratchFolder() / std::string(name);
    std::error_code ec;
    fs::remove_all(root, ec);
    fs::create_directories(root / "drive_c", ec);
    if (ec)
        fail("cannot make a machine folder");
    return platform::Machine(root);
}

void put(const fs::path& file, std::string_view bytes) {
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        fail("cannot write a file of the machine");
}

bool slurp(const fs::path& file, std::string& out) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

std::string_view asText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

} // namespace velkan::fuzz
