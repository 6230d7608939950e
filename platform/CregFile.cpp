#include "platform/CregFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <unordered_map>
#include <vector>

namespace velkan::platform::detail {

namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFF;

// The file header.
constexpr std::size_t kFileHeaderSize = 0x20;
constexpr std::uint32_t kVersion = 0x00010000;
// Two header words whose meaning nobody has pinned down; every file Windows
// writes carries these.
constexpr std::uint16_t kFileHeaderWord12 = 0x0020;
constexpr std::uint32_t kFileHeaderWord14 = 0x00010000;

// The key tree. Its offsets count from the "RGKN" signature.
constexpr std::size_t kRgknStart = kFileHeaderSize;
constexpr std::size_t kRgknHeaderSize = 0x20;
constexpr std::uint32_t kRgknHeaderWord10 = 8; // as Windows writes it
constexpr std::size_t kKeyRecordSize = 28;
constexpr std::uint32_t kFreeRecordMark = 0x80000000;

// The data blocks.
constexpr std::size_t kRgdbHeaderSize = 0x20;
constexpr std::uint16_t kRgdbHeaderWord0c = 8; // as Windows writes it
constexpr std::size_t kKeyEntryHeaderSize = 20;
constexpr std::size_t kValueHeaderSize = 12;
constexpr std::size_t kFreeEntryMinSize = 12; // size, "no key" id, next free
// Windows grows its sections a page at a time and keeps a block within 64 KB
// and within 255 keys (ids 0 to 0xFE).
constexpr std::size_t kPage = 0x1000;
constexpr std::size_t kMaxBlockSize = 0x10000;
constexpr std::size_t kMaxKeysPerBlock = 0xFF;
constexpr std::size_t kMaxField16 = 0xFFFF;

std::uint16_t get16(std::string_view b, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      static_cast<unsigned char>(b[at + 1]) << 8);
}

std::uint32_t get32(std::string_view b, std::size_t at) {
    return static_cast<std::uint32_t>(get16(b, at)) | static_cast<std::uint32_t>(get16(b, at + 2))
                                                          << 16;
}

void put16(std::string& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8 & 0xFF);
}

void put32(std::string& b, std::size_t at, std::uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

std::size_t roundUpToPage(std::size_t n) {
    return (n + kPage - 1) / kPage * kPage;
}

std::string hex(std::size_t n) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%zX", n);
    return text;
}

// Windows finds a key by this sum before it compares names: the bytes of the
// name in upper case, leaving out those above 0x7F.
std::uint32_t keyNameHash(std::string_view name) {
    std::uint32_t hash = 0;
    for (char c : name) {
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 'a' && byte <= 'z')
            byte = static_cast<unsigned char>(byte - 'a' + 'A');
        if (byte < 0x80)
            hash += byte;
    }
    return hash;
}

// A key name is one component of a path: never empty, no separator, nothing
// that ends or breaks a line of text.
const char* keyNameFault(std::string_view name) {
    if (name.empty())
        return "an empty key name";
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\\')
            return "a backslash in a key name";
        if (byte < 0x20 || byte == 0x7F)
            return "a control character in a key name";
    }
    return nullptr;
}

// ---------------------------------------------------------------- reading

struct DataEntry {
    std::size_t at = 0;   // file offset of the entry
    std::size_t used = 0; // bytes holding the name and values
    bool taken = false;   // already the data of a key
};

class CregReader {
public:
    CregReader(std::string_view bytes, const std::string& fileName)
        : b_(bytes), fileName_(fileName) {}

    Result<RegNode> read() {
        if (b_.size() > kMaxCregFileSize)
            return fail("the file is larger than the " + std::to_string(kMaxCregFileSize >> 20) +
                        " MB a registry file can have");
        if (b_.size() < kFileHeaderSize || b_.substr(0, 4) != "CREG")
            return fail("not a Windows 95 registry file (no CREG header)");
        if (get16(b_, 6) != 1)
            return fail("registry format version " + std::to_string(get16(b_, 6)) + "." +
                        std::to_string(get16(b_, 4)) + ", not 1.0");
        if (auto error = readKeyTreeHeader())
            return *error;
        if (auto error = indexDataBlocks())
            return *error;
        return readTree();
    }

private:
    std::optional<Error> readKeyTreeHeader() {
        if (b_.size() < kRgknStart + kRgknHeaderSize || b_.substr(kRgknStart, 4) != "RGKN")
            return fail("no key tree (RGKN) at offset " + hex(kRgknStart));
        rgknSize_ = get32(b_, kRgknStart + 4);
        if (rgknSize_ < kRgknHeaderSize || rgknSize_ > b_.size() - kRgknStart)
            return fail("the key tree's size " + hex(rgknSize_) + " does not fit the file");
        rootOffset_ = get32(b_, kRgknStart + 8);
        return std::nullopt;
    }

    std::optional<Error> indexDataBlocks() {
        const std::size_t count = get16(b_, 0x10);
        std::size_t at = get32(b_, 8);
        if (count > 0 && at < kRgknStart + rgknSize_)
            return fail("the first data block at offset " + hex(at) + " lies inside the key tree");
        entries_.reserve(std::min(count * 64, b_.size() / 128));
        for (std::size_t i = 0; i < count; ++i) {
            if (at > b_.size() || b_.size() - at < kRgdbHeaderSize)
                return fail("the file is cut short: data block " + std::to_string(i) + " of " +
                            std::to_string(count) + " is missing at offset " + hex(at));
            if (b_.substr(at, 4) != "RGDB")
                return fail("no data block (RGDB) at offset " + hex(at));
            const std::size_t size = get32(b_, at + 4);
            if (size < kRgdbHeaderSize || size > b_.size() - at)
                return fail("a data block of size " + hex(size) +
                            " does not fit the file at offset " + hex(at));
            if (auto error = indexBlock(at, size))
                return error;
            at += size;
        }
        return std::nullopt;
    }

    std::optional<Error> indexBlock(std::size_t block, std::size_t size) {
        const std::uint32_t number = get16(b_, block + 0x0E);
        const std::size_t end = block + size;
        std::size_t at = block + kRgdbHeaderSize;
        while (at < end) {
            if (end - at < 8)
                return fail("a data entry is cut off by its block's end at offset " + hex(at));
            const std::size_t entrySize = get32(b_, at);
            const std::uint32_t id = get32(b_, at + 4);
            if (entrySize < 8 || entrySize > end - at)
                return fail("a data entry of size " + hex(entrySize) +
                            " does not fit its block at offset " + hex(at));
            if (id != kNone) {
                const std::size_t used = entrySize >= kKeyEntryHeaderSize ? get32(b_, at + 8) : 0;
                if (used < kKeyEntryHeaderSize || used > entrySize)
                    return fail("a data entry's sizes disagree at offset " + hex(at));
                if (id >> 16 != number)
                    return fail("a data entry of block " + std::to_string(id >> 16) +
                                " lies inside block " + std::to_string(number) + " at offset " +
                                hex(at));
                if (!entries_.emplace(id, DataEntry{at, used, false}).second)
                    return fail("two data entries have key id " + hex(id) + " at offset " +
                                hex(at));
            }
            at += entrySize;
        }
        return std::nullopt;
    }

    struct KeyRecord {
        std::uint32_t hash, parent, child, next, id;
    };

    std::optional<Error> keyRecord(std::size_t offset, KeyRecord& out) {
        if (offset < kRgknHeaderSize || offset > rgknSize_ || rgknSize_ - offset < kKeyRecordSize)
            return fail("a key record lies outside the key tree at offset " +
                        hex(kRgknStart + offset));
        if (visited_[offset])
            return fail("the key tree loops at offset " + hex(kRgknStart + offset));
        visited_[offset] = true;
        const std::size_t at = kRgknStart + offset;
        out = {get32(b_, at + 4), get32(b_, at + 12), get32(b_, at + 16), get32(b_, at + 20),
               get32(b_, at + 24)};
        return std::nullopt;
    }

    // The name and values of the key whose record names `id`.
    std::optional<Error> keyData(std::uint32_t id, std::size_t recordAt, RegNode& key) {
        const auto found = entries_.find(id);
        if (found == entries_.end())
            return fail("key id " + hex(id) + " names no data entry (key record at offset " +
                        hex(recordAt) + ")");
        DataEntry& entry = found->second;
        if (entry.taken)
            return fail("two keys share the data entry at offset " + hex(entry.at));
        entry.taken = true;
        const std::size_t at = entry.at, end = entry.at + entry.used;
        const std::size_t nameSize = get16(b_, at + 12);
        const std::size_t valueCount = get16(b_, at + 14);
        std::size_t p = at + kKeyEntryHeaderSize;
        if (nameSize > end - p)
            return fail("a key name runs past its data entry at offset " + hex(at));
        key.name.assign(b_.substr(p, nameSize));
        p += nameSize;
        key.values.reserve(valueCount);
        for (std::size_t i = 0; i < valueCount; ++i) {
            if (end - p < kValueHeaderSize)
                return fail("a value lies beyond the end of its data entry at offset " + hex(p));
            const std::uint32_t type = get32(b_, p);
            const std::size_t valueNameSize = get16(b_, p + 8);
            const std::size_t dataSize = get16(b_, p + 10);
            p += kValueHeaderSize;
            if (valueNameSize + dataSize > end - p)
                return fail("a value is larger than its data entry at offset " +
                            hex(p - kValueHeaderSize));
            RegNamedValue value;
            value.name.assign(b_.substr(p, valueNameSize));
            value.value.type = type;
            value.value.data.assign(b_.substr(p + valueNameSize, dataSize));
            key.values.push_back(std::move(value));
            p += valueNameSize + dataSize;
        }
        if (p != end)
            return fail("a data entry's size does not match its contents at offset " + hex(at));
        return std::nullopt;
    }

    Result<RegNode> readTree() {
        visited_.assign(rgknSize_, false);
        KeyRecord rootRecord{};
        if (auto error = keyRecord(rootOffset_, rootRecord))
            return *error;
        if (rootRecord.next != kNone)
            return fail("the root key has a sibling at offset " + hex(kRgknStart + rootOffset_));
        RegNode root;
        struct Frame {
            RegNode* key;
            std::uint32_t nextChild; // key-tree offset, or kNone
            std::uint32_t offset;    // of the key's own record
            std::size_t pathSize;
        };
        std::vector<Frame> stack{{&root, rootRecord.child, rootOffset_, 0}};
        while (!stack.empty()) {
            Frame& top = stack.back();
            if (top.nextChild == kNone) {
                stack.pop_back();
                continue;
            }
            const std::uint32_t offset = top.nextChild;
            const std::size_t recordAt = kRgknStart + offset;
            KeyRecord record{};
            if (auto error = keyRecord(offset, record))
                return *error;
            top.nextChild = record.next;
            if (record.parent != top.offset)
                return fail("a key record names the wrong parent at offset " + hex(recordAt));
            if (stack.size() > kMaxCregKeyDepth)
                return fail("keys nest deeper than " + std::to_string(kMaxCregKeyDepth) +
                            " levels at offset " + hex(recordAt));
            RegNode key;
            if (auto error = keyData(record.id, recordAt, key))
                return *error;
            if (const char* fault = keyNameFault(key.name))
                return fail(std::string(fault) + " at offset " + hex(entries_[record.id].at));
            if (keyNameHash(key.name) != record.hash)
                return fail("the hash of a key record does not match the name \"" + key.name +
                            "\" at offset " + hex(recordAt));
            const std::size_t pathSize = top.pathSize + (top.pathSize ? 1 : 0) + key.name.size();
            if (pathSize > kMaxCregKeyPath)
                return fail("a key path is longer than " + std::to_string(kMaxCregKeyPath) +
                            " bytes at offset " + hex(recordAt));
            // The parent's list does not move while its last key is being filled
            // in: keys are added to a list only from the top of the stack.
            top.key->subkeys.push_back(std::move(key));
            RegNode* added = &top.key->subkeys.back();
            stack.push_back({added, record.child, offset, pathSize});
        }
        return root;
    }

    Error fail(const std::string& what) const {
        return Error::of(WinError::BadDb, fileName_ + ": " + what);
    }

    std::string_view b_;
    const std::string& fileName_;
    std::size_t rgknSize_ = 0;
    std::uint32_t rootOffset_ = 0;
    std::unordered_map<std::uint32_t, DataEntry> entries_;
    std::vector<bool> visited_;
};

// ---------------------------------------------------------------- writing

struct FlatKey {
    const RegNode* node;
    std::uint32_t parent = kNone, child = kNone, next = kNone; // key-tree offsets
    std::uint32_t id = kNone;
    std::size_t entrySize = 0;
};

std::uint32_t recordOffset(std::size_t index) {
    return static_cast<std::uint32_t>(kRgknHeaderSize + index * kKeyRecordSize);
}

std::size_t fit16(std::size_t n) {
    return std::min(n, kMaxField16);
}

std::size_t valueCountWritten(const RegNode& key) {
    return fit16(key.values.size());
}

std::size_t keyEntrySize(const RegNode& key) {
    std::size_t size = kKeyEntryHeaderSize + fit16(key.name.size());
    for (std::size_t i = 0; i < valueCountWritten(key); ++i)
        size += kValueHeaderSize + fit16(key.values[i].name.size()) +
                fit16(key.values[i].value.data.size());
    return size;
}

// The keys in the order their records are written: each key before its
// subkeys, siblings in their order. Linked as the key tree links them.
std::vector<FlatKey> flatten(const RegNode& root) {
    std::vector<FlatKey> keys{{&root}};
    std::vector<std::size_t> lastChild{kNone};
    struct Pending {
        const RegNode* node;
        std::size_t parent;
    };
    std::vector<Pending> stack;
    for (auto it = root.subkeys.rbegin(); it != root.subkeys.rend(); ++it)
        stack.push_back({&*it, 0});
    while (!stack.empty()) {
        const Pending pending = stack.back();
        stack.pop_back();
        const std::size_t index = keys.size();
        keys.push_back({pending.node});
        lastChild.push_back(kNone);
        FlatKey& parent = keys[pending.parent];
        keys[index].parent = recordOffset(pending.parent);
        if (lastChild[pending.parent] == kNone)
            parent.child = recordOffset(index);
        else
            keys[lastChild[pending.parent]].next = recordOffset(index);
        lastChild[pending.parent] = index;
        for (auto it = pending.node->subkeys.rbegin(); it != pending.node->subkeys.rend(); ++it)
            stack.push_back({&*it, index});
    }
    return keys;
}

struct Block {
    std::size_t firstKey = 0, keyCount = 0, used = 0; // used: entries only
};

// A new block starts when the next key's entry would not fit the current one.
std::vector<Block> packBlocks(std::vector<FlatKey>& keys) {
    std::vector<Block> blocks;
    for (std::size_t i = 1; i < keys.size(); ++i) {
        FlatKey& key = keys[i];
        key.entrySize = keyEntrySize(*key.node);
        if (blocks.empty() || blocks.back().keyCount == kMaxKeysPerBlock ||
            kRgdbHeaderSize + blocks.back().used + key.entrySize > kMaxBlockSize)
            blocks.push_back({i, 0, 0});
        Block& block = blocks.back();
        key.id = static_cast<std::uint32_t>((blocks.size() - 1) << 16 | block.keyCount);
        ++block.keyCount;
        block.used += key.entrySize;
    }
    // A file without keys still has its one, empty, data block: readers look
    // for the root there.
    if (blocks.empty())
        blocks.push_back({});
    return blocks;
}

void writeKeyTree(std::string& out, const std::vector<FlatKey>& keys, std::size_t rgknSize) {
    const std::size_t base = out.size();
    out.resize(base + rgknSize, '\0');
    const std::size_t used = kRgknHeaderSize + keys.size() * kKeyRecordSize;
    const std::size_t tail = rgknSize - used;
    out.replace(base, 4, "RGKN");
    put32(out, base + 4, static_cast<std::uint32_t>(rgknSize));
    put32(out, base + 8, recordOffset(0));
    put32(out, base + 12, tail >= kKeyRecordSize ? static_cast<std::uint32_t>(used) : kNone);
    put32(out, base + 16, kRgknHeaderWord10);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const FlatKey& key = keys[i];
        const std::size_t at = base + recordOffset(i);
        put32(out, at, 0);
        put32(out, at + 4,
              i == 0 ? 0 : keyNameHash(std::string_view(key.node->name).substr(0, kMaxField16)));
        put32(out, at + 8, kNone);
        put32(out, at + 12, key.parent);
        put32(out, at + 16, key.child);
        put32(out, at + 20, key.next);
        put32(out, at + 24, key.id);
    }
    // The rest of the last page is one free record, ready for the next key.
    if (tail >= kKeyRecordSize) {
        put32(out, base + used, kFreeRecordMark);
        put32(out, base + used + 4, static_cast<std::uint32_t>(tail));
        put32(out, base + used + 8, kNone);
    }
}

void writeKeyEntry(std::string& out, std::size_t at, const FlatKey& key, std::size_t entrySize) {
    const RegNode& node = *key.node;
    put32(out, at, static_cast<std::uint32_t>(entrySize));
    put32(out, at + 4, key.id);
    put32(out, at + 8, static_cast<std::uint32_t>(key.entrySize));
    put16(out, at + 12, static_cast<std::uint32_t>(fit16(node.name.size())));
    put16(out, at + 14, static_cast<std::uint32_t>(valueCountWritten(node)));
    std::size_t p = at + kKeyEntryHeaderSize;
    out.replace(p, fit16(node.name.size()), node.name, 0, kMaxField16);
    p += fit16(node.name.size());
    for (std::size_t i = 0; i < valueCountWritten(node); ++i) {
        const RegNamedValue& value = node.values[i];
        const std::size_t nameSize = fit16(value.name.size());
        const std::size_t dataSize = fit16(value.value.data.size());
        put32(out, p, value.value.type);
        put32(out, p + 4, kNone);
        put16(out, p + 8, static_cast<std::uint32_t>(nameSize));
        put16(out, p + 10, static_cast<std::uint32_t>(dataSize));
        p += kValueHeaderSize;
        out.replace(p, nameSize, value.name, 0, nameSize);
        p += nameSize;
        out.replace(p, dataSize, value.value.data, 0, dataSize);
        p += dataSize;
    }
}

void writeBlock(std::string& out, const std::vector<FlatKey>& keys, const Block& block,
                std::size_t number) {
    const std::size_t base = out.size();
    const std::size_t size = roundUpToPage(kRgdbHeaderSize + block.used);
    std::size_t tail = size - kRgdbHeaderSize - block.used;
    out.resize(base + size, '\0');
    out.replace(base, 4, "RGDB");
    put32(out, base + 4, static_cast<std::uint32_t>(size));
    put16(out, base + 0x0C, kRgdbHeaderWord0c);
    put16(out, base + 0x0E, static_cast<std::uint32_t>(number));
    put16(out, base + 0x14,
          static_cast<std::uint32_t>(block.keyCount ? block.keyCount - 1 : 0)); // highest id
    put16(out, base + 0x16, static_cast<std::uint32_t>(block.keyCount));        // first unused id
    // A tail too small to be a free entry is slack of the last entry, as
    // Windows leaves it when it shortens a key.
    const std::size_t slack = tail < kFreeEntryMinSize ? tail : 0;
    tail -= slack;
    std::size_t at = base + kRgdbHeaderSize;
    for (std::size_t i = 0; i < block.keyCount; ++i) {
        const FlatKey& key = keys[block.firstKey + i];
        const bool last = i + 1 == block.keyCount;
        writeKeyEntry(out, at, key, key.entrySize + (last ? slack : 0));
        at += key.entrySize + (last ? slack : 0);
    }
    put32(out, base + 8, static_cast<std::uint32_t>(tail)); // free bytes
    put32(out, base + 0x10, tail ? static_cast<std::uint32_t>(at - base) : kNone);
    if (tail) {
        put32(out, at, static_cast<std::uint32_t>(tail));
        put32(out, at + 4, kNone);
        put32(out, at + 8, kNone);
    }
}

std::string pathOf(const std::vector<const RegNode*>& trail) {
    std::string path;
    for (std::size_t i = 1; i < trail.size(); ++i)
        path += (i > 1 ? "\\" : "") + trail[i]->name;
    return path.empty() ? "the root key" : "\"" + path + "\"";
}

} // namespace

Result<RegNode> parseCregFile(std::string_view bytes, const std::string& fileName) {
    return CregReader(bytes, fileName).read();
}

std::string formatCregFile(const RegNode& root) {
    std::vector<FlatKey> keys = flatten(root);
    const std::vector<Block> blocks = packBlocks(keys);
    const std::size_t rgknSize = roundUpToPage(kRgknHeaderSize + keys.size() * kKeyRecordSize);

    std::size_t fileSize = kRgknStart + rgknSize;
    for (const Block& block : blocks)
        fileSize += roundUpToPage(kRgdbHeaderSize + block.used);
    std::string out(kFileHeaderSize, '\0');
    out.reserve(fileSize);
    out.replace(0, 4, "CREG");
    put32(out, 4, kVersion);
    put32(out, 8, static_cast<std::uint32_t>(kRgknStart + rgknSize));
    put16(out, 0x10, static_cast<std::uint32_t>(blocks.size()));
    put16(out, 0x12, kFileHeaderWord12);
    put32(out, 0x14, kFileHeaderWord14);
    writeKeyTree(out, keys, rgknSize);
    for (std::size_t i = 0; i < blocks.size(); ++i)
        writeBlock(out, keys, blocks[i], i);
    return out;
}

Status checkCregLimits(const RegNode& root, const std::string& fileName) {
    const auto refuse = [&](const std::vector<const RegNode*>& trail, const std::string& what) {
        return Error::of(WinError::CantWrite,
                         fileName + ": " + pathOf(trail) + " cannot be stored: " + what);
    };
    if (!root.values.empty())
        return refuse({&root}, "the root key of a registry file holds no values");
    struct Visit {
        const RegNode* node;
        std::size_t depth;     // of the node; the root is 0
        std::size_t pathSize;  // of the node's path
        std::size_t childDone; // subkeys visited so far
    };
    std::vector<const RegNode*> trail{&root};
    std::vector<Visit> stack{{&root, 0, 0, 0}};
    while (!stack.empty()) {
        Visit& top = stack.back();
        if (top.childDone == top.node->subkeys.size()) {
            stack.pop_back();
            trail.pop_back();
            continue;
        }
        const RegNode& key = top.node->subkeys[top.childDone++];
        const std::size_t depth = top.depth + 1;
        const std::size_t pathSize = top.pathSize + (top.pathSize ? 1 : 0) + key.name.size();
        trail.push_back(&key);
        if (const char* fault = keyNameFault(key.name))
            return refuse(trail, std::string("it has ") + fault);
        if (depth > kMaxCregKeyDepth)
            return refuse(trail,
                          "keys nest deeper than " + std::to_string(kMaxCregKeyDepth) + " levels");
        if (pathSize > kMaxCregKeyPath)
            return refuse(trail,
                          "its path is longer than " + std::to_string(kMaxCregKeyPath) + " bytes");
        if (key.values.size() > kMaxField16)
            return refuse(trail, "more than 65535 values");
        for (const auto& value : key.values)
            if (value.name.size() > kMaxField16 || value.value.data.size() > kMaxField16)
                return refuse(trail, "the value \"" + value.name.substr(0, 64) +
                                         "\" is larger than 65535 bytes");
        if (kRgdbHeaderSize + keyEntrySize(key) > kMaxBlockSize)
            return refuse(trail, "its name and values together exceed 64 KB");
        stack.push_back({&key, depth, pathSize, 0});
    }
    std::vector<FlatKey> keys = flatten(root);
    const std::vector<Block> blocks = packBlocks(keys);
    std::size_t size = kRgknStart + roundUpToPage(kRgknHeaderSize + keys.size() * kKeyRecordSize);
    for (const Block& block : blocks)
        size += roundUpToPage(kRgdbHeaderSize + block.used);
    if (blocks.size() > kMaxField16 + 1 || size > kMaxCregFileSize)
        return refuse({&root}, "the file would be larger than " +
                                   std::to_string(kMaxCregFileSize >> 20) + " MB");
    return {};
}

} // namespace velkan::platform::detail
