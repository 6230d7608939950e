#include "platform/Machine.h"
#include "shellpatch/BuildTable.h"
#include "tools/Commands.h"
#include "tools/ImageMachine.h"
#include "tools/MachineBuilder.h"

#include <cstdio>
#include <string>
#include <vector>

namespace velkan::machine {

namespace {

bool buildArgument(const std::string& text, int& position) {
    auto found = shellpatch::findBuild(text);
    if (!found) {
        std::fprintf(stderr,
                     "velkan-machine create: no build '%s'; give 0 to 28 or a caption "
                     "such as \"English (US)\"\n",
                     text.c_str());
        return false;
    }
    position = *found;
    return true;
}

bool sizeArgument(const std::string& text, std::uint32_t& megabytes) {
    const bool digits = !text.empty() && text.size() <= 6 &&
                        text.find_first_not_of("0123456789") == std::string::npos;
    if (digits)
        megabytes = static_cast<std::uint32_t>(std::stoul(text));
    if (!digits || megabytes < platform::kSmallestDiskMegabytes ||
        megabytes > platform::kLargestDiskMegabytes) {
        std::fprintf(
            stderr, "velkan-machine create: --size %s: give the disk's size in MB, %u to %u\n",
            text.c_str(), platform::kSmallestDiskMegabytes, platform::kLargestDiskMegabytes);
        return false;
    }
    return true;
}

const char* const kUsage = "usage: velkan-machine create [--build N|CAPTION] "
                           "[--user-layout N|CAPTION] [--image [--size MB]] [DIR]\n";

} // namespace

int runCreate(const std::vector<std::string>& args) {
    MachineSpec spec;
    std::string folder;
    bool image = false;
    bool sized = false;
    platform::DiskFormat disk;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((a == "--build" || a == "--user-layout") && i + 1 < args.size()) {
            int position = 0;
            if (!buildArgument(args[++i], position))
                return 2;
            if (a == "--build")
                spec.build = position;
            else
                spec.userLayout = position;
        } else if (a == "--image") {
            image = true;
        } else if (a == "--size" && i + 1 < args.size()) {
            if (!sizeArgument(args[++i], disk.megabytes))
                return 2;
            sized = true;
        } else if (!a.empty() && a[0] != '-' && folder.empty()) {
            folder = a;
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (sized && !image) {
        std::fprintf(stderr, "velkan-machine create: --size is the size of a disk image; "
                             "give --image as well\n");
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (folder.empty())
        folder = platform::Machine::fromEnvironment().root().string();
    const std::string caption(shellpatch::kBuilds[spec.build].itemCaption);
    if (image) {
        auto layout = createImageMachine(folder, spec, disk);
        if (!layout) {
            std::fprintf(stderr, "velkan-machine create: %s\n", layout.error().message.c_str());
            return 1;
        }
        std::printf("Made a Windows 95 machine (%s) in %s\n"
                    "Drive C: is a %u MB disk image: partition 1 at sector %u, FAT16, "
                    "%u clusters of %u bytes\n",
                    caption.c_str(), folder.c_str(), disk.megabytes, layout->partitionStart,
                    layout->clusters, layout->sectorsPerCluster * 512);
        return 0;
    }
    if (auto status = createMachine(folder, spec); !status) {
        std::fprintf(stderr, "velkan-machine create: %s\n", status.error().message.c_str());
        return 1;
    }
    std::printf("Made a Windows 95 machine (%s) in %s\n", caption.c_str(), folder.c_str());
    return 0;
}

} // namespace velkan::machine
