// velkan-machine reg: the registry stand-in on the command line, shaped like
// Windows' reg.exe, so that a machine's registry can be read and changed from
// outside and compared with what Windows would show.
#include "platform/AtomicFile.h"

#include "platform/Text.h"
#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/MachineRegistry.h"
#include "platform/Registry.h"
#include "tools/Commands.h"

#include <cctype>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace velkan::machine {

namespace {

namespace platform = velkan::platform;
using platform::RegKey;
using platform::RegValue;
using platform::Result;

const char kUsage[] =
    "usage: velkan-machine reg query KEY [/v NAME | /ve] [/s]\n"
    "       velkan-machine reg add KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f]\n"
    "       velkan-machine reg delete KEY [/v NAME | /ve | /va] [/f]\n"
    "       velkan-machine reg export FILE\n"
    "       velkan-machine reg import FILE\n"
    "KEY is ROOT\\Path, ROOT one of HKLM, HKCU, HKCR, HKU or their long names.\n"
    "TYPE is REG_SZ (the default), REG_EXPAND_SZ, REG_BINARY, REG_DWORD or REG_NONE;\n"
    "REG_DWORD data is decimal or 0x hex, REG_BINARY and REG_NONE data hex digits.\n"
    "/f changes without asking. export writes the whole registry as REGEDIT4, as\n"
    "regedit /e does; import merges a REGEDIT4 file into it, as regedit does.\n"
    "The registry is that of the machine $VELKAN_MACHINE.\n";

const char kNotFound[] =
    "ERROR: The system was unable to find the specified registry key or value.";

int syntaxError(const std::string& why) {
    std::fprintf(stderr, "ERROR: Invalid syntax. %s\n%s", why.c_str(), kUsage);
    return 1;
}

int failed(const platform::Error& e) {
    if (e.code == platform::WinError::FileNotFound || e.code == platform::WinError::KeyDeleted)
        std::fprintf(stderr, "%s\n", kNotFound);
    else
        std::fprintf(stderr, "ERROR: %s\n", e.message.c_str());
    return 1;
}

int done() {
    std::printf("The operation completed successfully.\n");
    return 0;
}

struct Options {
    platform::RootKey root = platform::RootKey::LocalMachine;
    std::string path;
    std::optional<std::string> valueName; // "" with /ve
    bool allValues = false;               // /va
    bool recurse = false;                 // /s
    bool force = false;                   // /f
    std::optional<std::string> type;
    std::optional<std::string> data;
};

bool isSwitch(const std::string& arg, const char* name) {
    if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-'))
        return false;
    return platform::asciiLowercase(arg.substr(1)) == name;
}

std::optional<Options> parse(const std::vector<std::string>& args, const std::string& allowed,
                             std::string& why) {
    if (args.size() < 2) {
        why = "A key is needed.";
        return std::nullopt;
    }
    Options o;
    const std::string& key = args[1];
    size_t slash = key.find('\\');
    std::optional<platform::RootKey> root = platform::rootKeyFromName(key.substr(0, slash));
    if (!root) {
        why = "Unknown root key in '" + key + "'.";
        return std::nullopt;
    }
    o.root = *root;
    if (slash != std::string::npos)
        o.path = key.substr(slash + 1);

    for (size_t i = 2; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto takesValue = [&](std::optional<std::string>& into) {
            if (i + 1 >= args.size()) {
                why = a + " needs a value.";
                return false;
            }
            into = args[++i];
            return true;
        };
        auto allowedHere = [&](const char* name) {
            if (allowed.find(std::string(" ") + name + " ") != std::string::npos)
                return true;
            why = "'" + a + "' is not an option of this command.";
            return false;
        };
        bool ok = true;
        if (isSwitch(a, "v"))
            ok = allowedHere("v") && !o.valueName && takesValue(o.valueName);
        else if (isSwitch(a, "ve"))
            ok = allowedHere("ve") && !o.valueName && (o.valueName = std::string(), true);
        else if (isSwitch(a, "va"))
            ok = allowedHere("va") && (o.allValues = true);
        else if (isSwitch(a, "s"))
            ok = allowedHere("s") && (o.recurse = true);
        else if (isSwitch(a, "f"))
            ok = allowedHere("f") && (o.force = true);
        else if (isSwitch(a, "t"))
            ok = allowedHere("t") && takesValue(o.type);
        else if (isSwitch(a, "d"))
            ok = allowedHere("d") && takesValue(o.data);
        else {
            why = "Unexpected argument '" + a + "'.";
            ok = false;
        }
        if (!ok) {
            if (why.empty())
                why = "/v and /ve exclude each other.";
            return std::nullopt;
        }
    }
    if (o.allValues && o.valueName) {
        why = "/va excludes /v and /ve.";
        return std::nullopt;
    }
    return o;
}

std::string keyName(const Options& o) {
    std::string name = platform::rootKeyName(o.root);
    if (!o.path.empty() && o.path.find_first_not_of('\\') != std::string::npos)
        name += "\\" + o.path.substr(o.path.find_first_not_of('\\'));
    return name;
}

bool confirm(const std::string& question) {
    std::printf("%s (Yes/No)? ", question.c_str());
    std::fflush(stdout);
    std::string answer;
    if (!std::getline(std::cin, answer))
        answer.clear();
    if (!answer.empty() && (answer[0] == 'y' || answer[0] == 'Y'))
        return true;
    std::printf("The operation was cancelled by the user.\n");
    return false;
}

// ---------------------------------------------------------------- query

std::string typeName(std::uint32_t type) {
    switch (type) {
    case platform::REG_NONE:
        return "REG_NONE";
    case platform::REG_SZ:
        return "REG_SZ";
    case platform::REG_EXPAND_SZ:
        return "REG_EXPAND_SZ";
    case platform::REG_BINARY:
        return "REG_BINARY";
    case platform::REG_DWORD:
        return "REG_DWORD";
    case 5:
        return "REG_DWORD_BIG_ENDIAN";
    case 6:
        return "REG_LINK";
    case 7:
        return "REG_MULTI_SZ";
    default:
        break;
    }
    char buf[24];
    std::snprintf(buf, sizeof buf, "REG_0x%x", type);
    return buf;
}

std::string hexBytes(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

// The data as reg.exe shows it.
std::string shown(const RegValue& v) {
    if (v.type == platform::REG_SZ || v.type == platform::REG_EXPAND_SZ)
        return v.asString();
    if (std::optional<std::uint32_t> n = v.asDword()) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "0x%x", *n);
        return buf;
    }
    return hexBytes(v.data);
}

void printValue(const platform::RegNamedValue& v) {
    std::printf("    %s    %s    %s\n", v.name.empty() ? "(Default)" : v.name.c_str(),
                typeName(v.value.type).c_str(), shown(v.value).c_str());
}

int printKey(const RegKey& key, bool recurse) {
    Result<std::vector<platform::RegNamedValue>> values = key.values();
    Result<std::vector<std::string>> subkeys = key.subKeyNames();
    if (!values)
        return failed(values.error());
    if (!subkeys)
        return failed(subkeys.error());
    std::printf("%s\n", key.name().c_str());
    for (const auto& v : *values)
        printValue(v);
    std::printf("\n");
    if (!recurse) {
        for (const std::string& s : *subkeys)
            std::printf("%s\\%s\n", key.name().c_str(), s.c_str());
        return 0;
    }
    for (const std::string& s : *subkeys) {
        Result<RegKey> child = key.openKey(s);
        if (!child)
            return failed(child.error());
        if (int rc = printKey(*child, true))
            return rc;
    }
    return 0;
}

int query(const platform::Registry& reg, const Options& o) {
    Result<RegKey> key = reg.openKey(o.root, o.path);
    if (!key)
        return failed(key.error());
    if (!o.valueName) {
        std::printf("\n");
        return printKey(*key, o.recurse);
    }
    Result<RegValue> v = key->query(*o.valueName);
    if (!v)
        return failed(v.error());
    std::printf("\n%s\n", key->name().c_str());
    printValue({*o.valueName, *v});
    std::printf("\n");
    return 0;
}

// ---------------------------------------------------------------- add

std::optional<std::string> parseHexData(const std::string& text) {
    if (text.size() % 2)
        return std::nullopt;
    std::string bytes;
    for (size_t i = 0; i < text.size(); i += 2) {
        int b = 0;
        for (char c : {text[i], text[i + 1]}) {
            int d = std::isxdigit(static_cast<unsigned char>(c))
                        ? (std::isdigit(static_cast<unsigned char>(c))
                               ? c - '0'
                               : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10)
                        : -1;
            if (d < 0)
                return std::nullopt;
            b = b * 16 + d;
        }
        bytes += static_cast<char>(b);
    }
    return bytes;
}

std::optional<std::uint32_t> parseDword(const std::string& text) {
    if (text.empty())
        return 0u;
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    std::string digits = hex ? text.substr(2) : text;
    unsigned long long n = 0;
    for (char c : digits) {
        int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                : hex && std::isxdigit(static_cast<unsigned char>(c))
                    ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                    : -1;
        if (d < 0)
            return std::nullopt;
        n = n * (hex ? 16 : 10) + static_cast<unsigned>(d);
        if (n > 0xffffffffull)
            return std::nullopt;
    }
    return static_cast<std::uint32_t>(n);
}

std::optional<RegValue> valueFromArguments(const Options& o, std::string& why) {
    const std::string type = platform::asciiUppercase(o.type.value_or("REG_SZ"));
    std::string data = o.data.value_or("");
    if (type == "REG_SZ")
        return RegValue::string(data);
    if (type == "REG_EXPAND_SZ")
        return RegValue::string(data, platform::REG_EXPAND_SZ);
    if (type == "REG_DWORD") {
        if (std::optional<std::uint32_t> n = parseDword(data))
            return RegValue::dword(*n);
        why = "'" + data + "' is not a REG_DWORD number.";
        return std::nullopt;
    }
    if (type == "REG_BINARY" || type == "REG_NONE") {
        if (std::optional<std::string> bytes = parseHexData(data))
            return RegValue{type == "REG_NONE" ? platform::REG_NONE : platform::REG_BINARY, *bytes};
        why = "'" + data + "' is not a string of hex digit pairs.";
        return std::nullopt;
    }
    why = "Unsupported type '" + *o.type + "'.";
    return std::nullopt;
}

int add(const platform::Registry& reg, const Options& o) {
    std::optional<RegValue> value;
    if (o.valueName || o.type || o.data) {
        std::string why;
        value = valueFromArguments(o, why);
        if (!value)
            return syntaxError(why);
    }
    Result<RegKey> key = reg.createKey(o.root, o.path);
    if (!key)
        return failed(key.error());
    if (!value)
        return done();
    std::string name = o.valueName.value_or("");
    if (!o.force && key->query(name) &&
        !confirm("Value " + (name.empty() ? std::string("(Default)") : name) +
                 " exists, overwrite"))
        return 1;
    if (platform::Status set = key->set(name, *value); !set)
        return failed(set.error());
    return done();
}

// ---------------------------------------------------------------- delete

int remove(const platform::Registry& reg, const Options& o) {
    if (!o.valueName && !o.allValues) {
        if (Result<RegKey> key = reg.openKey(o.root, o.path); !key)
            return failed(key.error());
        if (!o.force && !confirm("Permanently delete the registry key " + keyName(o)))
            return 1;
        if (platform::Status gone = reg.deleteKey(o.root, o.path); !gone)
            return failed(gone.error());
        return done();
    }
    Result<RegKey> key = reg.openKey(o.root, o.path);
    if (!key)
        return failed(key.error());
    if (o.allValues) {
        Result<std::vector<platform::RegNamedValue>> values = key->values();
        if (!values)
            return failed(values.error());
        if (!o.force && !confirm("Delete all values under the registry key " + keyName(o)))
            return 1;
        for (const auto& v : *values)
            if (platform::Status gone = key->deleteValue(v.name);
                !gone && gone.error().code != platform::WinError::FileNotFound)
                return failed(gone.error());
        return done();
    }
    if (Result<RegValue> old = key->query(*o.valueName); !old)
        return failed(old.error());
    if (!o.force && !confirm("Delete the registry value " +
                             (o.valueName->empty() ? std::string("(Default)") : *o.valueName)))
        return 1;
    if (platform::Status gone = key->deleteValue(*o.valueName); !gone)
        return failed(gone.error());
    return done();
}

} // namespace

// regedit /e FILE: the whole registry, HKEY_LOCAL_MACHINE then HKEY_USERS.
int exportTo(const platform::Registry& reg, const std::string& file) {
    Result<std::string> text = reg.exportText();
    if (!text)
        return failed(text.error());
    if (platform::Status written = platform::writeFileAtomically(file, *text); !written)
        return failed(written.error());
    return done();
}

// regedit FILE: keys and values of the file are added; nothing is removed.
int importFrom(const platform::Registry& reg, const std::string& file) {
    Result<std::string> text = platform::host::readWholeFile(file);
    if (!text)
        return failed(text.error());
    if (platform::Status merged = reg.importText(*text, file); !merged)
        return failed(merged.error());
    return done();
}

int runReg(const std::vector<std::string>& args) {
    if (args.empty() || isSwitch(args[0], "?") || args[0] == "--help") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 1 : 0;
    }
    const std::string operation = platform::asciiLowercase(args[0]);
    if (operation == "export" || operation == "import") {
        if (args.size() != 2)
            return syntaxError("reg " + operation + " takes one file.");
        const platform::Registry reg =
            platform::machineRegistry(platform::Machine::fromEnvironment());
        return operation == "export" ? exportTo(reg, args[1]) : importFrom(reg, args[1]);
    }
    const char* allowed = operation == "query"    ? " v ve s "
                          : operation == "add"    ? " v ve t d f "
                          : operation == "delete" ? " v ve va f "
                                                  : nullptr;
    if (!allowed)
        return syntaxError("Unknown operation '" + args[0] + "'.");
    std::string why;
    std::optional<Options> options = parse(args, allowed, why);
    if (!options)
        return syntaxError(why);

    platform::Registry reg = platform::machineRegistry(platform::Machine::fromEnvironment());
    if (operation == "query")
        return query(reg, *options);
    if (operation == "add")
        return add(reg, *options);
    return remove(reg, *options);
}

} // namespace velkan::machine
