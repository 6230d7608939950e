#include "platform/RegistryTree.h"

#include <algorithm>

namespace velkan::platform::detail {

namespace {

unsigned char upperAnsi(unsigned char c) {
    if (c >= 'a' && c <= 'z')
        return static_cast<unsigned char>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) // à..þ, except ÷
        return static_cast<unsigned char>(c - 0x20);
    if (c == 0x9A || c == 0x9C || c == 0x9E) // š œ ž
        return static_cast<unsigned char>(c - 0x10);
    if (c == 0xFF) // ÿ
        return 0x9F;
    return c;
}

template <class Nodes> auto findByName(Nodes& nodes, std::string_view name) {
    return std::find_if(nodes.begin(), nodes.end(),
                        [&](const auto& n) { return sameName(n.name, name); });
}

} // namespace

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return upperAnsi(static_cast<unsigned char>(x)) ==
                      upperAnsi(static_cast<unsigned char>(y));
           });
}

RegNode* RegNode::findSubkey(std::string_view key) {
    auto it = findByName(subkeys, key);
    return it == subkeys.end() ? nullptr : &*it;
}

const RegNode* RegNode::findSubkey(std::string_view key) const {
    auto it = findByName(subkeys, key);
    return it == subkeys.end() ? nullptr : &*it;
}

RegNode& RegNode::subkey(std::string_view key) {
    if (RegNode* found = findSubkey(key))
        return *found;
    subkeys.push_back(RegNode{std::string(key), {}, {}});
    return subkeys.back();
}

bool RegNode::removeSubkey(std::string_view key) {
    auto it = findByName(subkeys, key);
    if (it == subkeys.end())
        return false;
    subkeys.erase(it);
    return true;
}

const RegNamedValue* RegNode::findValue(std::string_view valueName) const {
    auto it = findByName(values, valueName);
    return it == values.end() ? nullptr : &*it;
}

void RegNode::setValue(std::string_view valueName, RegValue value) {
    auto it = findByName(values, valueName);
    if (it == values.end())
        values.push_back({std::string(valueName), std::move(value)});
    else
        it->value = std::move(value); // the name keeps the case it was created with
}

bool RegNode::removeValue(std::string_view valueName) {
    auto it = findByName(values, valueName);
    if (it == values.end())
        return false;
    values.erase(it);
    return true;
}

RegNode& RegTree::root(RootKey key) {
    if (key == RootKey::CurrentUser)
        return users.subkey(kDefaultUser);
    return key == RootKey::Users ? users : localMachine;
}

const RegNode& RegTree::root(RootKey key) const {
    static const RegNode kNoUser{std::string(kDefaultUser), {}, {}};
    if (key == RootKey::CurrentUser) {
        const RegNode* user = users.findSubkey(kDefaultUser);
        return user ? *user : kNoUser;
    }
    return key == RootKey::Users ? users : localMachine;
}

size_t hiddenComponents(RootKey root) {
    return root == RootKey::ClassesRoot ? 2 : 0;
}

std::vector<std::string> keyPathBelowStoredRoot(RootKey root, std::string_view path) {
    std::vector<std::string> parts;
    if (root == RootKey::ClassesRoot)
        parts = {"Software", "Classes"};
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start)
            parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

bool writableValueName(std::string_view name) {
    return name.size() <= kMaxRegNameLength &&
           name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool writableKeyName(std::string_view name) {
    return !name.empty() && name.size() <= kMaxRegNameLength && writableValueName(name) &&
           name.find('\\') == std::string_view::npos;
}

} // namespace velkan::platform::detail
