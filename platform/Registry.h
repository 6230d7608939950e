#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The Windows 95 registry of one machine, kept where Windows keeps it: the
// binary files SYSTEM.DAT (HKEY_LOCAL_MACHINE) and USER.DAT (HKEY_USERS) of its
// Windows folder, or, on machine folders made by earlier versions of Velkan, a
// registry.reg (REGEDIT4 text) beside drive C:. The calls mirror advapi32's RegOpenKeyEx,
// RegCreateKeyEx, RegQueryValueEx, RegSetValueEx, RegDeleteValue, RegDeleteKey, RegFlushKey and
// RegCloseKey, with the same error codes. Every change is written to the file at
// once, atomically and under a lock shared with other processes, so two programs
// working on the same machine never lose each other's writes; reads see what
// other processes wrote. A malformed file is an error naming the file and what
// is wrong with it (WinError::BadDb) and is never written over.
namespace velkan::platform {

// Value types, with Windows' numbers. Any other number is kept as raw bytes.
inline constexpr std::uint32_t REG_NONE = 0;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_EXPAND_SZ = 2;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;

// HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\Software\Classes and
// HKEY_CURRENT_USER is HKEY_USERS\.DEFAULT, as on Windows 95 without user
// profiles.
enum class RootKey { ClassesRoot, CurrentUser, LocalMachine, Users };

// "HKEY_CURRENT_USER" and so on.
const char* rootKeyName(RootKey root);
// Accepts the long names and HKCR, HKCU, HKLM, HKU, without regard to case.
std::optional<RootKey> rootKeyFromName(std::string_view name);

struct RegValue {
    std::uint32_t type = REG_NONE;
    // The bytes as RegSetValueEx stored them: a string value holds its 8-bit
    // (ANSI) characters and its terminating NUL, a REG_DWORD four little-endian
    // bytes.
    std::string data;

    // What a program reading the value as a C string gets: REG_SZ and
    // REG_EXPAND_SZ are cut at their first NUL; other types are the raw bytes.
    std::string asString() const;
    // The number of a REG_DWORD of exactly four bytes; nothing for anything else.
    std::optional<std::uint32_t> asDword() const;

    static RegValue string(std::string_view text, std::uint32_t type = REG_SZ);
    static RegValue dword(std::uint32_t number);
    static RegValue binary(std::string_view bytes);

    bool operator==(const RegValue&) const = default;
};

struct RegNamedValue {
    std::string name; // "" is the key's default value ("@" in REGEDIT4)
    RegValue value;
    bool operator==(const RegNamedValue&) const = default;
};

namespace detail {
class RegistryStore;
}

// An open key, like an HKEY. Copies refer to the same key. A handle stays a
// handle after its key is deleted (by this or another process): its operations
// then fail with KeyDeleted. A default-constructed or closed handle fails with
// InvalidHandle. Value names are compared without regard to case; "" is the
// default value.
class RegKey {
public:
    RegKey() = default;

    bool valid() const { return store_ != nullptr; }
    // The full name for messages, e.g. "HKEY_CURRENT_USER\Software\Velkan".
    std::string name() const;

    // RegQueryValueEx. FileNotFound when the value is absent.
    Result<RegValue> query(std::string_view valueName) const;
    // RegQueryValueEx in its own shape: `type` and `size` may be null, and so
    // may `buffer` (then only type and size are reported). `*size` is the
    // buffer's size on entry and the data's size on return; a buffer smaller
    // than the data fails with MoreData and leaves the buffer untouched.
    Status queryEx(std::string_view valueName, std::uint32_t* type, void* buffer,
                   std::uint32_t* size) const;
    // A REG_SZ or REG_EXPAND_SZ value cut at its first NUL; InvalidData for
    // values of other types.
    Result<std::string> queryString(std::string_view valueName) const;
    // A REG_DWORD of four bytes; InvalidData for anything else.
    Result<std::uint32_t> queryDword(std::string_view valueName) const;

    // RegSetValueEx: stores `data` exactly as given.
    Status set(std::string_view valueName, std::uint32_t type, std::string_view data);
    Status set(std::string_view valueName, const RegValue& value);
    // Stores the text with a terminating NUL added, as callers of RegSetValueEx
    // pass strlen + 1.
    Status setString(std::string_view valueName, std::string_view text,
                     std::uint32_t type = REG_SZ);
    Status setDword(std::string_view valueName, std::uint32_t number);
    Status setBinary(std::string_view valueName, std::string_view bytes);

    // RegDeleteValue. FileNotFound when the value is absent.
    Status deleteValue(std::string_view valueName);

    // Subkeys relative to this key (RegOpenKeyEx / RegCreateKeyEx / RegDeleteKey
    // with this key as the parent). An empty path means this key itself.
    Result<RegKey> openKey(std::string_view path) const;
    Result<RegKey> createKey(std::string_view path, bool* created = nullptr) const;
    Status deleteKey(std::string_view path) const;

    // Enumeration (RegEnumKey / RegEnumValue), in the order the file keeps them:
    // the order they were created in.
    Result<std::vector<std::string>> subKeyNames() const;
    Result<std::vector<RegNamedValue>> values() const;

    // RegFlushKey: every change is on the disk already; this reports whether the
    // handle still names a key.
    Status flush() const;
    // RegCloseKey. Closing a closed handle fails with InvalidHandle.
    Status close();

private:
    friend class Registry;
    RegKey(std::shared_ptr<detail::RegistryStore> store, RootKey shownRoot,
           std::vector<std::string> path);

    std::shared_ptr<detail::RegistryStore> store_;
    RootKey shownRoot_ = RootKey::LocalMachine; // as the caller named it
    std::vector<std::string> path_;             // below its stored root, stored case
};

namespace detail {
// Where a registry lives: one REGEDIT4 file holding every root, or the two
// Windows 95 files. Windows is the normal case; a machine that cannot be found
// (no drive C:) is `unavailable`, and every call fails with that error.
struct RegistryFiles {
    enum class Form { Regedit4, Windows95 } form = Form::Windows95;
    std::filesystem::path regedit4;  // Form::Regedit4
    std::filesystem::path systemDat; // Form::Windows95: HKEY_LOCAL_MACHINE
    std::filesystem::path userDat;   // Form::Windows95: HKEY_USERS
    std::filesystem::path lockFile;
    std::optional<Error> unavailable;
};
} // namespace detail

// The registry of one machine. Copies share the same cached contents. Key paths
// may start with a backslash; components are compared without regard to case
// and new keys keep the case they were created with.
class Registry {
public:
    // A registry kept in one REGEDIT4 file, as machine folders of earlier
    // versions hold it. A missing file is an empty registry; it is created by
    // the first change. The file's folder must exist for changes to succeed.
    explicit Registry(std::filesystem::path file);
    // A registry kept in Windows 95's two files, locked through `lockFile`.
    // Missing files are empty roots, created by their first change.
    Registry(std::filesystem::path systemDat, std::filesystem::path userDat,
             std::filesystem::path lockFile);
    explicit Registry(detail::RegistryFiles files);
    // A registry whose files `locate` tells at its first use (and at every use
    // while they cannot be reached).
    explicit Registry(std::function<detail::RegistryFiles()> locate);

    // The files that hold the registry: registry.reg alone, or SYSTEM.DAT and
    // USER.DAT.
    std::vector<std::filesystem::path> files() const;
    // Whether it is kept in Windows 95's binary files.
    bool windows95Files() const;

    // RegOpenKeyEx: FileNotFound when the key does not exist. An empty path
    // opens the root itself.
    Result<RegKey> openKey(RootKey root, std::string_view path) const;
    // RegCreateKeyEx: opens the key, creating it and any missing parents;
    // `*created` tells whether it was created (REG_CREATED_NEW_KEY).
    Result<RegKey> createKey(RootKey root, std::string_view path, bool* created = nullptr) const;
    // RegDeleteKey as Windows 95 does it: the key goes with all its subkeys.
    // FileNotFound when absent; a root cannot be deleted (AccessDenied).
    Status deleteKey(RootKey root, std::string_view path) const;

    // Succeeds when the files can be read (or are absent); the BadDb error of
    // a malformed file otherwise.
    Status check() const;

    // The whole registry, as Windows 95's "regedit /e" writes it (REGEDIT4:
    // HKEY_LOCAL_MACHINE, then HKEY_USERS).
    Result<std::string> exportText() const;
    // Merges a REGEDIT4 text, as regedit does when it imports a file: keys are
    // created, the values it names are set, nothing is removed. `fileName`
    // names the text in errors; nothing is changed when it does not parse.
    Status importText(std::string_view text, const std::string& fileName) const;

    // The first change since the last call, through this registry or any of
    // its keys, that could not be saved (a full or read-only disk). Callers
    // that pass over registry errors, as the product does in many places,
    // still learn that the user must be told.
    std::optional<Error> takeWriteFailure() const;

private:
    std::shared_ptr<detail::RegistryStore> store_;
};

} // namespace velkan::platform
