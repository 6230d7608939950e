#include "bench/LargeRegistry.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace velkan::platform::detail {

namespace {

// A fixed linear congruential sequence: the tree must not change between runs.
class Sequence {
public:
    std::uint32_t next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    std::uint32_t below(std::uint32_t n) { return next() % n; }

private:
    std::uint32_t state_ = 95;
};

std::string hex(std::uint32_t n, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(n));
    return text;
}

std::string guid(Sequence& seq) {
    return "{" + hex(seq.next(), 8) + "-" + hex(seq.below(0x10000), 4) + "-" +
           hex(seq.below(0x10000), 4) + "-" + hex(seq.below(0x10000), 4) + "-" +
           hex(seq.next(), 6) + hex(seq.next(), 6) + "}";
}

void text(RegNode& key, const std::string& name, const std::string& value) {
    key.values.push_back({name, RegValue{REG_SZ, value}});
}

void dword(RegNode& key, const std::string& name, std::uint32_t value) {
    key.values.push_back({name, RegValue::dword(value)});
}

void binary(RegNode& key, const std::string& name, Sequence& seq, std::size_t size) {
    std::string bytes;
    for (std::size_t i = 0; i < size; ++i)
        bytes.push_back(static_cast<char>(seq.below(256)));
    key.values.push_back({name, RegValue::binary(bytes)});
}

// File types: an extension key naming its class, and the class with its verbs.
void fileTypes(RegNode& classes, Sequence& seq) {
    for (int i = 0; i < 470; ++i) {
        const std::string ext = "." + hex(seq.below(0x100000), 5);
        const std::string type = "Type" + std::to_string(i) + ".File";
        RegNode& extension = classes.subkey(ext);
        text(extension, "", type);
        text(extension, "Content Type", "application/x-type" + std::to_string(i));
        RegNode& cls = classes.subkey(type);
        text(cls, "", "Document of type " + std::to_string(i));
        binary(cls, "EditFlags", seq, 4);
        text(cls, "AlwaysShowExt", "");
        dword(cls, "BrowserFlags", seq.below(16));
        text(cls.subkey("DefaultIcon"), "",
             "C:\\WINDOWS\\SYSTEM\\SHELL32.DLL," + std::to_string(seq.below(40)));
        RegNode& open = cls.subkey("shell").subkey("open");
        text(open, "", "&Open");
        text(open.subkey("command"), "",
             "C:\\PROGRA~1\\APP" + std::to_string(i % 37) + "\\APP.EXE \"%1\"");
    }
}

// COM classes, each with its server.
void comClasses(RegNode& classes, Sequence& seq) {
    RegNode& clsid = classes.subkey("CLSID");
    for (int i = 0; i < 500; ++i) {
        RegNode& cls = clsid.subkey(guid(seq));
        text(cls, "", "Component " + std::to_string(i));
        RegNode& server = cls.subkey("InprocServer32");
        text(server, "", "C:\\WINDOWS\\SYSTEM\\COMP" + std::to_string(i) + ".DLL");
        text(server, "ThreadingModel", i % 3 ? "Apartment" : "Both");
        text(cls, "AppID", guid(seq));
        text(cls, "InfoTip", "Shows the objects of component " + std::to_string(i));
        dword(server, "Version", seq.next());
    }
}

// Plug and Play: devices with their identities, and the driver keys they name.
void devices(RegNode& root, Sequence& seq) {
    // Looked up again for each device: adding one of the two moves the other.
    const auto classKey = [&root]() -> RegNode& {
        return root.subkey("System").subkey("CurrentControlSet").subkey("Services").subkey("Class");
    };
    const char* classNames[] = {"Display", "Net", "Ports", "Media", "System", "hdc", "Keyboard"};
    for (int i = 0; i < 200; ++i) {
        const std::string className = classNames[i % 7];
        const std::string driver = className + "\\" + hex(static_cast<std::uint32_t>(i), 4);
        RegNode& device =
            root.subkey("Enum")
                .subkey(i % 2 ? "PCI" : "ROOT")
                .subkey("VEN_" + hex(seq.below(0x10000), 4) + "&DEV_" + hex(seq.below(0x10000), 4))
                .subkey("BUS_00&DEV_" + hex(static_cast<std::uint32_t>(i), 2));
        text(device, "DeviceDesc", "Device " + std::to_string(i));
        text(device, "Class", className);
        text(device, "HardwareID", "PCI\\VEN_" + hex(seq.below(0x10000), 4));
        text(device, "Mfg", "Manufacturer " + std::to_string(i % 23));
        text(device, "Driver", driver);
        binary(device, "ConfigFlags", seq, 4);
        binary(device.subkey("LogConfig"), "0000", seq, 180);
        RegNode& drv = classKey().subkey(className).subkey(hex(static_cast<std::uint32_t>(i), 4));
        text(drv, "DriverDesc", "Device " + std::to_string(i));
        text(drv, "InfPath", "OEM" + std::to_string(i) + ".INF");
        text(drv, "InfSection", "Install" + std::to_string(i));
        text(drv, "ProviderName", "Manufacturer " + std::to_string(i % 23));
        text(drv, "DevLoader", "*CONFIGMG");
        text(drv, "DriverDate", " 5-11-1995");
        RegNode& settings = drv.subkey("Settings");
        for (int j = 0; j < 15; ++j)
            binary(settings, "Option" + std::to_string(j), seq, 40 + seq.below(160));
    }
}

// Installed programs and their settings.
void programs(RegNode& root, Sequence& seq) {
    RegNode& software = root.subkey("Software");
    for (int i = 0; i < 20; ++i) {
        RegNode& program = software.subkey("Vendor" + std::to_string(i % 13))
                               .subkey("Program" + std::to_string(i));
        for (int j = 0; j < 6; ++j) {
            RegNode& section = program.subkey("Section" + std::to_string(j));
            text(section, "Path", "C:\\PROGRA~1\\PROG" + std::to_string(i));
            dword(section, "Flags", seq.next());
            for (int k = 0; k < 22; ++k)
                text(section, "Recent" + std::to_string(k),
                     "C:\\MY DOCUMENTS\\FILE" + std::to_string(seq.below(999)) + ".DOC");
        }
    }
}

} // namespace

RegNode largeSystemTree() {
    Sequence seq;
    RegNode root;
    RegNode& classes = root.subkey("Software").subkey("Classes");
    fileTypes(classes, seq);
    comClasses(classes, seq);
    devices(root, seq);
    programs(root, seq);
    return root;
}

} // namespace velkan::platform::detail
