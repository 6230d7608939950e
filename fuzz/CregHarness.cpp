#include "fuzz/Harnesses.h"
#include "fuzz/ScratchMachine.h"
#include "platform/CregFile.h"

#include <string>

namespace velkan::fuzz {

void fuzzCreg(const std::uint8_t* data, std::size_t size) {
    const std::string fileName = "C:\\WINDOWS\\SYSTEM.DAT";
    auto tree = platform::detail::parseCregFile(asText(data, size), fileName);
    if (!tree) {
        // The user is told which file is damaged; the registry is never rebuilt
        // over it.
        if (tree.error().code != platform::WinError::BadDb)
            fail("a refused registry file is not a BadDb error");
        if (tree.error().message.find(fileName) == std::string::npos)
            fail("a refused registry file is not named in the error");
        return;
    }
    // What was read is written so that it reads back the same, and is written
    // the same way twice.
    const std::string bytes = platform::detail::formatCregFile(*tree);
    auto again = platform::detail::parseCregFile(bytes, fileName);
    if (!again)
        fail("a written registry file does not read back");
    if (!(*again == *tree))
        fail("a written registry file reads back as another tree");
    if (platform::detail::formatCregFile(*again) != bytes)
        fail("writing a registry file twice gives two files");
}

} // namespace velkan::fuzz
