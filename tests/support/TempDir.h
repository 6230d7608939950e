#pragma once

#include <filesystem>
#include <string>

namespace velkan::test {

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes away. Each test gets its own, so tests can run in
// parallel.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& file);
void writeFile(const std::filesystem::path& file, const std::string& bytes);

} // namespace velkan::test
