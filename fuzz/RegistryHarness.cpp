#include "fuzz/Harnesses.h"
#include "fuzz/ScratchMachine.h"
#include "platform/RegistryFile.h"

#include <string>

namespace velkan::fuzz {

void fuzzRegistry(const std::uint8_t* data, std::size_t size) {
    const std::string fileName = "registry.reg";
    auto tree = platform::detail::parseRegistryFile(asText(data, size), fileName);
    if (!tree) {
        // A refusal must say where, so that the user can mend the file.
        if (tree.error().message.find(fileName) == std::string::npos)
            fail("a refused registry file is not named in the error");
        return;
    }
    // What the registry writes back must read as the same tree, and writing
    // that again must give the same text.
    const std::string text = platform::detail::formatRegistryFile(*tree);
    auto again = platform::detail::parseRegistryFile(text, fileName);
    if (!again)
        fail("a written registry file does not read back");
    if (!(*again == *tree))
        fail("a written registry file reads back as another tree");
    if (platform::detail::formatRegistryFile(*again) != text)
        fail("writing a registry twice gives two texts");
}

} // namespace velkan::fuzz
