// velkan-machine ini: the profile-string stand-in on the command line, so that
// its reading and writing can be compared with other implementations.
#include "platform/ProfileString.h"
#include "tools/Commands.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace velkan::machine {

namespace {

namespace platform = velkan::platform;

const char kUsage[] =
    "usage: velkan-machine ini get FILE [SECTION [KEY]] [--default TEXT] [--size N] [--int]\n"
    "       velkan-machine ini set FILE SECTION KEY VALUE\n"
    "       velkan-machine ini set FILE SECTION [KEY] --delete\n"
    "FILE is a host path. get prints the value as GetPrivateProfileString returns it\n"
    "(--int: as GetPrivateProfileInt does); without KEY it lists the keys of SECTION,\n"
    "without SECTION the sections. --delete removes the key, or the whole section.\n"
    "\"--\" ends the options, for values that start with \"--\".\n";

int usage(const char* why) {
    std::fprintf(stderr, "velkan-machine ini: %s\n%s", why, kUsage);
    return 2;
}

struct Options {
    std::vector<std::string> words;
    std::optional<std::string> defaultValue;
    std::size_t size = platform::kProfileBufferSize;
    bool asInt = false;
    bool remove = false;
};

std::optional<Options> parse(const std::vector<std::string>& args, std::string& why) {
    Options options;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a.size() < 2 || a.compare(0, 2, "--") != 0) {
            options.words.push_back(a);
        } else if (a == "--") {
            optionsEnded = true;
        } else if (a == "--default" || a == "--size") {
            if (i + 1 >= args.size()) {
                why = a + " needs a value";
                return std::nullopt;
            }
            const std::string& v = args[++i];
            if (a == "--default") {
                options.defaultValue = v;
                continue;
            }
            int n = 0;
            if (!platform::parseIntExact(v, n) || n < 0) {
                why = "--size needs a number of characters, not '" + v + "'";
                return std::nullopt;
            }
            options.size = static_cast<std::size_t>(n);
        } else if (a == "--int") {
            options.asInt = true;
        } else if (a == "--delete") {
            options.remove = true;
        } else {
            why = "unknown option '" + a + "'";
            return std::nullopt;
        }
    }
    return options;
}

int get(const Options& o) {
    const std::vector<std::string>& w = o.words;
    if (w.size() < 2 || w.size() > 4)
        return usage("get takes FILE [SECTION [KEY]]");
    if (w.size() == 2) {
        for (const std::string& section : platform::readProfileSections(w[1]))
            std::printf("%s\n", section.c_str());
        return 0;
    }
    if (w.size() == 3) {
        for (const std::string& key : platform::readProfileKeys(w[1], w[2]))
            std::printf("%s\n", key.c_str());
        return 0;
    }
    if (o.asInt) {
        int fallback = 0;
        if (o.defaultValue && !platform::parseIntExact(*o.defaultValue, fallback))
            return usage("--default with --int needs a number");
        std::printf("%d\n", platform::readProfileInt(w[1], w[2], w[3], fallback));
        return 0;
    }
    std::string value =
        platform::readProfileString(w[1], w[2], w[3], o.defaultValue.value_or(""), o.size);
    std::fwrite(value.data(), 1, value.size(), stdout);
    std::fputc('\n', stdout);
    return 0;
}

int set(const Options& o) {
    const std::vector<std::string>& w = o.words;
    platform::Status status;
    if (o.remove) {
        if (w.size() == 3)
            status = platform::deleteProfileSection(w[1], w[2]);
        else if (w.size() == 4)
            status = platform::deleteProfileKey(w[1], w[2], w[3]);
        else
            return usage("set --delete takes FILE SECTION [KEY]");
    } else {
        if (w.size() != 5)
            return usage("set takes FILE SECTION KEY VALUE");
        status = platform::writeProfileString(w[1], w[2], w[3], w[4]);
    }
    if (!status) {
        std::fprintf(stderr, "velkan-machine ini: %s (error %u)\n", status.error().message.c_str(),
                     static_cast<unsigned>(status.error().code));
        return 1;
    }
    return 0;
}

} // namespace

int runIni(const std::vector<std::string>& args) {
    std::string why;
    std::optional<Options> options = parse(args, why);
    if (!options)
        return usage(why.c_str());
    if (options->words.empty())
        return usage("get or set?");
    if (options->words[0] == "get")
        return get(*options);
    if (options->words[0] == "set")
        return set(*options);
    return usage(("unknown action '" + options->words[0] + "'").c_str());
}

} // namespace velkan::machine
