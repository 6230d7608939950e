#include "platform/Machine.h"
#include "tools/Commands.h"
#include "tools/ImageMachine.h"

#include <cstdio>
#include <string>
#include <vector>

namespace velkan::machine {

namespace {

const char* typeName(platform::FatType type) {
    switch (type) {
    case platform::FatType::Fat12:
        return "FAT12";
    case platform::FatType::Fat16:
        return "FAT16";
    case platform::FatType::Fat32:
        return "FAT32";
    }
    return "FAT";
}

} // namespace

int runAttach(const std::vector<std::string>& args) {
    std::vector<std::string> operands;
    for (const std::string& a : args) {
        if (a.empty() || a[0] == '-' || operands.size() == 2) {
            std::fprintf(stderr, "usage: velkan-machine attach IMAGE [DIR]\n");
            return 2;
        }
        operands.push_back(a);
    }
    if (operands.empty()) {
        std::fprintf(stderr, "usage: velkan-machine attach IMAGE [DIR]\n");
        return 2;
    }
    const std::string folder =
        operands.size() == 2 ? operands[1] : platform::Machine::fromEnvironment().root().string();
    auto attached = attachImage(operands[0], folder);
    if (!attached) {
        std::fprintf(stderr, "velkan-machine attach: %s\n", attached.error().message.c_str());
        return 1;
    }
    const platform::VolumeRange& range = attached->range;
    std::string where = range.partition >= 0
                            ? "partition " + std::to_string(range.partition + 1) + " at byte " +
                                  std::to_string(range.offset)
                            : std::string("the whole image, without a partition table");
    if (range.vhd)
        where += ", in a fixed VHD";
    std::printf("Attached %s as drive C: of %s\n%s, %s, %u clusters of %u bytes\n",
                attached->image.c_str(), folder.c_str(), where.c_str(), typeName(attached->type),
                attached->clusters, attached->clusterSize);
    return 0;
}

} // namespace velkan::machine
