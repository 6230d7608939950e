#include "platform/Registry.h"

#include "platform/RegistryFile.h"
#include "platform/RegistryStore.h"
#include "platform/RegistryTree.h"

#include <cstring>

namespace velkan::platform {

using detail::RegNode;
using detail::RegTree;

// ---------------------------------------------------------------- names, values

const char* rootKeyName(RootKey root) {
    switch (root) {
    case RootKey::ClassesRoot:
        return "HKEY_CLASSES_ROOT";
    case RootKey::CurrentUser:
        return "HKEY_CURRENT_USER";
    case RootKey::LocalMachine:
        return "HKEY_LOCAL_MACHINE";
    case RootKey::Users:
        return "HKEY_USERS";
    }
    return "";
}

std::optional<RootKey> rootKeyFromName(std::string_view name) {
    struct Alias {
        const char* name;
        RootKey root;
    };
    static constexpr Alias kAliases[] = {
        {"HKEY_CLASSES_ROOT", RootKey::ClassesRoot},
        {"HKCR", RootKey::ClassesRoot},
        {"HKEY_CURRENT_USER", RootKey::CurrentUser},
        {"HKCU", RootKey::CurrentUser},
        {"HKEY_LOCAL_MACHINE", RootKey::LocalMachine},
        {"HKLM", RootKey::LocalMachine},
        {"HKEY_USERS", RootKey::Users},
        {"HKU", RootKey::Users},
    };
    for (const Alias& a : kAliases)
        if (detail::sameName(name, a.name))
            return a.root;
    return std::nullopt;
}

std::string RegValue::asString() const {
    if (type == REG_SZ || type == REG_EXPAND_SZ)
        return data.substr(0, data.find('\0'));
    return data;
}

std::optional<std::uint32_t> RegValue::asDword() const {
    if (type != REG_DWORD || data.size() != 4)
        return std::nullopt;
    std::uint32_t n = 0;
    for (int i = 3; i >= 0; --i)
        n = n << 8 | static_cast<unsigned char>(data[static_cast<size_t>(i)]);
    return n;
}

RegValue RegValue::string(std::string_view text, std::uint32_t type) {
    std::string data(text);
    data += '\0';
    return {type, std::move(data)};
}

RegValue RegValue::dword(std::uint32_t number) {
    std::string data(4, '\0');
    for (size_t i = 0; i < 4; ++i)
        data[i] = static_cast<char>(number >> (8 * i) & 0xff);
    return {REG_DWORD, std::move(data)};
}

RegValue RegValue::binary(std::string_view bytes) {
    return {REG_BINARY, std::string(bytes)};
}

// ---------------------------------------------------------------- keys

namespace {

RootKey storedRoot(RootKey root) {
    return root == RootKey::ClassesRoot ? RootKey::LocalMachine : root;
}

// The node at `path` below the stored root, or nothing.
template <class Tree>
auto findNode(Tree& tree, RootKey root, const std::vector<std::string>& path) {
    auto* node = &tree.root(storedRoot(root));
    for (const std::string& part : path) {
        node = node->findSubkey(part);
        if (!node)
            break;
    }
    return node;
}

std::string joinPath(std::string_view rootName, const std::vector<std::string>& parts,
                     size_t from) {
    std::string out(rootName);
    for (size_t i = from; i < parts.size(); ++i) {
        out += '\\';
        out += parts[i];
    }
    return out;
}

Error invalidHandle() {
    return Error::of(WinError::InvalidHandle, "registry key handle is closed");
}

Error valueNotFound(const std::string& key, std::string_view valueName) {
    return Error::of(WinError::FileNotFound, key + ": no value \"" + std::string(valueName) + "\"");
}

Error badName(std::string_view name) {
    return Error::of(WinError::InvalidParameter,
                     "registry name \"" + std::string(name) + "\" holds a line break or NUL");
}

Error tooDeep(const std::string& key) {
    return Error::of(WinError::InvalidParameter,
                     key + ": the key would lie deeper than a registry allows");
}

size_t pathLength(const std::vector<std::string>& parts) {
    size_t length = 0;
    for (const std::string& part : parts)
        length += part.size() + 1;
    return length;
}

Error keyDeleted(const std::string& key) {
    return Error::of(WinError::KeyDeleted, key + ": the key has been deleted");
}

// The path of `relative` below the key at `base`, in the case the keys were
// stored with.
Result<std::vector<std::string>> resolve(const RegTree& tree, RootKey root,
                                         std::vector<std::string> base,
                                         const std::vector<std::string>& relative,
                                         const std::string& shownName) {
    const RegNode* node = findNode(tree, root, base);
    if (!node)
        return Error::of(WinError::FileNotFound, shownName + ": no such key");
    for (const std::string& part : relative) {
        node = node->findSubkey(part);
        if (!node)
            return Error::of(WinError::FileNotFound, shownName + ": no such key");
        base.push_back(node->name);
    }
    return base;
}

// Like resolve(), creating the keys that are missing.
Result<std::vector<std::string>> create(RegTree& tree, RootKey root, std::vector<std::string> base,
                                        const std::vector<std::string>& relative,
                                        const std::string& baseName, bool& changed) {
    RegNode* node = findNode(tree, root, base);
    if (!node)
        return keyDeleted(baseName);
    if (base.size() + relative.size() > detail::kMaxRegKeyDepth ||
        pathLength(base) + pathLength(relative) > detail::kMaxRegPathLength)
        return tooDeep(baseName);
    for (const std::string& part : relative) {
        if (!detail::writableKeyName(part))
            return badName(part);
        RegNode* found = node->findSubkey(part);
        if (!found) {
            node->subkeys.push_back(RegNode{part, {}, {}});
            found = &node->subkeys.back();
            changed = true;
        }
        node = found;
        base.push_back(node->name);
    }
    return base;
}

} // namespace

RegKey::RegKey(std::shared_ptr<detail::RegistryStore> store, RootKey shownRoot,
               std::vector<std::string> path)
    : store_(std::move(store)), shownRoot_(shownRoot), path_(std::move(path)) {}

std::string RegKey::name() const {
    return joinPath(rootKeyName(shownRoot_), path_, detail::hiddenComponents(shownRoot_));
}

namespace {

// Runs `f` on the key's node, read-only. R is the Result type `f` returns.
template <class R, class F>
R readKey(detail::RegistryStore* store, RootKey root, const std::vector<std::string>& path,
          const std::string& name, F&& f) {
    if (!store)
        return invalidHandle();
    return store->read([&](const RegTree& tree) -> R {
        const RegNode* node = findNode(tree, root, path);
        if (!node)
            return keyDeleted(name);
        return f(*node);
    });
}

// Runs `f` on the key's node in a copy of the registry that is then written.
template <class F>
Status writeKey(detail::RegistryStore* store, RootKey root, const std::vector<std::string>& path,
                const std::string& name, F&& f) {
    if (!store)
        return invalidHandle();
    return store->write([&](RegTree& tree, bool& changed) -> Status {
        RegNode* node = findNode(tree, root, path);
        if (!node)
            return keyDeleted(name);
        return f(*node, changed);
    });
}

// Deletes the key `relative` below `base` with its subtree; `shownName`
// names the key to delete in messages.
Status deleteBelow(detail::RegistryStore& store, RootKey root, const std::vector<std::string>& base,
                   const std::vector<std::string>& relative, const std::string& shownName) {
    return store.write([&](RegTree& tree, bool& changed) -> Status {
        if (!findNode(tree, root, base))
            return keyDeleted(joinPath(rootKeyName(root), base, detail::hiddenComponents(root)));
        std::vector<std::string> full = base;
        full.insert(full.end(), relative.begin(), relative.end());
        if (full.size() <= detail::hiddenComponents(root))
            return Error::of(WinError::AccessDenied, shownName + ": a root key cannot be deleted");
        std::string last = full.back();
        full.pop_back();
        RegNode* parent = findNode(tree, root, full);
        if (!parent || !parent->removeSubkey(last))
            return Error::of(WinError::FileNotFound, shownName + ": no such key");
        changed = true;
        return {};
    });
}

} // namespace

Result<RegValue> RegKey::query(std::string_view valueName) const {
    std::string key = name();
    return readKey<Result<RegValue>>(store_.get(), shownRoot_, path_, key,
                                     [&](const RegNode& node) -> Result<RegValue> {
                                         if (const RegNamedValue* v = node.findValue(valueName))
                                             return v->value;
                                         return valueNotFound(key, valueName);
                                     });
}

Status RegKey::queryEx(std::string_view valueName, std::uint32_t* type, void* buffer,
                       std::uint32_t* size) const {
    if (buffer && !size)
        return Error::of(WinError::InvalidParameter, "a buffer needs its size");
    Result<RegValue> v = query(valueName);
    if (!v)
        return v.error();
    if (type)
        *type = v->type;
    auto needed = static_cast<std::uint32_t>(v->data.size());
    if (!size)
        return {};
    if (buffer && *size < needed) {
        *size = needed;
        return Error::of(WinError::MoreData, name() + ": value \"" + std::string(valueName) +
                                                 "\" needs " + std::to_string(needed) + " bytes");
    }
    if (buffer && needed)
        std::memcpy(buffer, v->data.data(), needed);
    *size = needed;
    return {};
}

Result<std::string> RegKey::queryString(std::string_view valueName) const {
    Result<RegValue> v = query(valueName);
    if (!v)
        return v.error();
    if (v->type != REG_SZ && v->type != REG_EXPAND_SZ)
        return Error::of(WinError::InvalidData,
                         name() + ": value \"" + std::string(valueName) + "\" is not a string");
    return v->asString();
}

Result<std::uint32_t> RegKey::queryDword(std::string_view valueName) const {
    Result<RegValue> v = query(valueName);
    if (!v)
        return v.error();
    if (std::optional<std::uint32_t> n = v->asDword())
        return *n;
    return Error::of(WinError::InvalidData,
                     name() + ": value \"" + std::string(valueName) + "\" is not a REG_DWORD");
}

Status RegKey::set(std::string_view valueName, std::uint32_t type, std::string_view data) {
    return set(valueName, RegValue{type, std::string(data)});
}

Status RegKey::set(std::string_view valueName, const RegValue& value) {
    if (!detail::writableValueName(valueName))
        return badName(valueName);
    return writeKey(store_.get(), shownRoot_, path_, name(),
                    [&](RegNode& node, bool& changed) -> Status {
                        const RegNamedValue* old = node.findValue(valueName);
                        changed = !old || old->value != value;
                        node.setValue(valueName, value);
                        return {};
                    });
}

Status RegKey::setString(std::string_view valueName, std::string_view text, std::uint32_t type) {
    return set(valueName, RegValue::string(text, type));
}

Status RegKey::setDword(std::string_view valueName, std::uint32_t number) {
    return set(valueName, RegValue::dword(number));
}

Status RegKey::setBinary(std::string_view valueName, std::string_view bytes) {
    return set(valueName, RegValue::binary(bytes));
}

Status RegKey::deleteValue(std::string_view valueName) {
    std::string key = name();
    return writeKey(store_.get(), shownRoot_, path_, key,
                    [&](RegNode& node, bool& changed) -> Status {
                        if (!node.removeValue(valueName))
                            return valueNotFound(key, valueName);
                        changed = true;
                        return {};
                    });
}

Result<RegKey> RegKey::openKey(std::string_view path) const {
    if (!store_)
        return invalidHandle();
    std::vector<std::string> relative = detail::keyPathBelowStoredRoot(RootKey::LocalMachine, path);
    std::string shown = joinPath(name(), relative, 0);
    std::string self = name();
    Result<std::vector<std::string>> full =
        store_->read([&](const RegTree& tree) -> Result<std::vector<std::string>> {
            if (!findNode(tree, shownRoot_, path_))
                return keyDeleted(self);
            return resolve(tree, shownRoot_, path_, relative, shown);
        });
    if (!full)
        return full.error();
    return RegKey(store_, shownRoot_, std::move(*full));
}

Result<RegKey> RegKey::createKey(std::string_view path, bool* created) const {
    if (!store_)
        return invalidHandle();
    std::vector<std::string> relative = detail::keyPathBelowStoredRoot(RootKey::LocalMachine, path);
    std::string self = name();
    bool changed = false;
    Result<std::vector<std::string>> full =
        store_->write([&](RegTree& tree, bool& dirty) -> Result<std::vector<std::string>> {
            Result<std::vector<std::string>> made =
                create(tree, shownRoot_, path_, relative, self, dirty);
            changed = dirty;
            return made;
        });
    if (!full)
        return full.error();
    if (created)
        *created = changed;
    return RegKey(store_, shownRoot_, std::move(*full));
}

Status RegKey::deleteKey(std::string_view path) const {
    if (!store_)
        return invalidHandle();
    std::vector<std::string> relative = detail::keyPathBelowStoredRoot(RootKey::LocalMachine, path);
    return deleteBelow(*store_, shownRoot_, path_, relative, joinPath(name(), relative, 0));
}

Result<std::vector<std::string>> RegKey::subKeyNames() const {
    using R = Result<std::vector<std::string>>;
    return readKey<R>(store_.get(), shownRoot_, path_, name(), [](const RegNode& node) -> R {
        std::vector<std::string> names;
        for (const RegNode& child : node.subkeys)
            names.push_back(child.name);
        return names;
    });
}

Result<std::vector<RegNamedValue>> RegKey::values() const {
    using R = Result<std::vector<RegNamedValue>>;
    return readKey<R>(store_.get(), shownRoot_, path_, name(),
                      [](const RegNode& node) -> R { return node.values; });
}

Status RegKey::flush() const {
    return readKey<Status>(store_.get(), shownRoot_, path_, name(),
                           [](const RegNode&) { return Status(); });
}

Status RegKey::close() {
    if (!store_)
        return invalidHandle();
    store_.reset();
    path_.clear();
    return {};
}

// ---------------------------------------------------------------- the registry

namespace {

detail::RegistryFiles regedit4Files(std::filesystem::path file) {
    detail::RegistryFiles files;
    files.form = detail::RegistryFiles::Form::Regedit4;
    files.lockFile = file.string() + ".lock";
    files.regedit4 = std::move(file);
    return files;
}

// Adds every key and value of `from` to `into`, as an import does.
void merge(RegNode& into, const RegNode& from, bool& changed) {
    for (const RegNamedValue& v : from.values) {
        const RegNamedValue* old = into.findValue(v.name);
        if (!old || old->value != v.value) {
            into.setValue(v.name, v.value);
            changed = true;
        }
    }
    for (const RegNode& child : from.subkeys) {
        RegNode* target = into.findSubkey(child.name);
        if (!target) {
            into.subkeys.push_back(RegNode{child.name, {}, {}});
            target = &into.subkeys.back();
            changed = true;
        }
        merge(*target, child, changed);
    }
}

} // namespace

Registry::Registry(std::filesystem::path file) : Registry(regedit4Files(std::move(file))) {}

Registry::Registry(std::filesystem::path systemDat, std::filesystem::path userDat,
                   std::filesystem::path lockFile) {
    detail::RegistryFiles files;
    files.systemDat = std::move(systemDat);
    files.userDat = std::move(userDat);
    files.lockFile = std::move(lockFile);
    store_ = std::make_shared<detail::RegistryStore>([files] { return files; });
}

Registry::Registry(detail::RegistryFiles files)
    : store_(std::make_shared<detail::RegistryStore>([files] { return files; })) {}

Registry::Registry(std::function<detail::RegistryFiles()> locate)
    : store_(std::make_shared<detail::RegistryStore>(std::move(locate))) {}

std::vector<std::filesystem::path> Registry::files() const {
    const detail::RegistryFiles f = store_->files();
    if (f.form == detail::RegistryFiles::Form::Regedit4)
        return {f.regedit4};
    return {f.systemDat, f.userDat};
}

bool Registry::windows95Files() const {
    return store_->files().form == detail::RegistryFiles::Form::Windows95;
}

Result<std::string> Registry::exportText() const {
    return store_->read([](const RegTree& tree) -> Result<std::string> {
        return detail::formatRegistryFile(tree);
    });
}

Status Registry::importText(std::string_view text, const std::string& fileName) const {
    Result<RegTree> imported = detail::parseRegistryFile(text, fileName);
    if (!imported)
        return imported.error();
    return store_->write([&](RegTree& tree, bool& changed) -> Status {
        merge(tree.localMachine, imported->localMachine, changed);
        merge(tree.users, imported->users, changed);
        return {};
    });
}

Result<RegKey> Registry::openKey(RootKey root, std::string_view path) const {
    std::vector<std::string> full = detail::keyPathBelowStoredRoot(root, path);
    std::string shown = joinPath(rootKeyName(root), full, detail::hiddenComponents(root));
    Result<std::vector<std::string>> found =
        store_->read([&](const RegTree& tree) { return resolve(tree, root, {}, full, shown); });
    if (!found)
        return found.error();
    return RegKey(store_, root, std::move(*found));
}

Result<RegKey> Registry::createKey(RootKey root, std::string_view path, bool* created) const {
    // The classes root is created with the first key below it, as the system
    // always has one.
    std::vector<std::string> full = detail::keyPathBelowStoredRoot(root, path);
    RegKey top(store_, storedRoot(root), {});
    bool made = false;
    Result<RegKey> key = top.createKey(joinPath("", full, 0), &made);
    if (!key)
        return key.error();
    if (created)
        *created = made;
    return RegKey(store_, root, key->path_);
}

Status Registry::deleteKey(RootKey root, std::string_view path) const {
    std::vector<std::string> full = detail::keyPathBelowStoredRoot(root, path);
    return deleteBelow(*store_, root, {}, full,
                       joinPath(rootKeyName(root), full, detail::hiddenComponents(root)));
}

Status Registry::check() const {
    return store_->read([](const RegTree&) { return Status(); });
}

std::optional<Error> Registry::takeWriteFailure() const {
    return store_->takeWriteFailure();
}

} // namespace velkan::platform
