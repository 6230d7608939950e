// Writes a SYSTEM.DAT the size of a real one for bench/registry_vs_cregexport.sh:
//   registry_bench make FILE
#include "bench/LargeRegistry.h"
#include "platform/AtomicFile.h"
#include "platform/CregFile.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 3 || std::strcmp(argv[1], "make") != 0) {
        std::fprintf(stderr, "usage: registry_bench make FILE\n");
        return 2;
    }
    const std::string bytes =
        velkan::platform::detail::formatCregFile(velkan::platform::detail::largeSystemTree());
    if (auto s = velkan::platform::writeFileAtomically(argv[2], bytes); !s) {
        std::fprintf(stderr, "%s\n", s.error().message.c_str());
        return 1;
    }
    return 0;
}
