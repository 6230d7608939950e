#include "themes/PackFormat.h"

namespace velkan::themes {

std::string startIconFile(int size) {
    return "Icon" + std::to_string(size) + ".ico";
}

std::string itemIconFile(int number) {
    return std::to_string(number) + ".ico";
}

std::string inFolder(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.empty() && path.back() != '\\' && path.back() != '/')
        path += '\\';
    path += name;
    return path;
}

} // namespace velkan::themes
