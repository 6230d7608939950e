#pragma once

#include "platform/RegistryTree.h"
#include "platform/Result.h"

#include <cstddef>
#include <string>
#include <string_view>

// The binary registry files of Windows 95 (SYSTEM.DAT, USER.DAT): a "CREG"
// header, an "RGKN" section that holds the key tree as fixed-size records, and
// "RGDB" blocks that hold each key's name and values.
namespace velkan::platform::detail {

// Largest registry file accepted (Windows 9x files stay far below; a bigger file is refused).
inline constexpr std::size_t kMaxCregFileSize = 32u * 1024 * 1024;
// Deeper trees and longer paths than these are taken for damage: Windows itself
// never gets near them, and a reader must not be led into unbounded work.
inline constexpr std::size_t kMaxCregKeyDepth = 512;
inline constexpr std::size_t kMaxCregKeyPath = 16 * 1024;

// Reads a whole Windows 9x registry file. The returned node is the file's root key (name ""),
// with subkeys and values in file order (sibling order of the key tree; value order of the data
// entry). Any malformation -> Error{WinError::BadDb, message} whose message names `fileName` and
// says what is wrong (e.g. "C:\WINDOWS\USER.DAT: the key tree loops at offset 0x1234").
Result<RegNode> parseCregFile(std::string_view bytes, const std::string& fileName);

// Writes the tree as a registry file Windows 95 reads. parse(format(t)) == t, and
// format(parse(format(t))) == format(t).
//
// That holds for every tree checkCregLimits accepts. The format has no room for
// more (16-bit lengths and counts, no data entry for the root), so a tree
// beyond those limits is written cut down to what fits rather than as a file
// no reader could take: names and data cut at 65 535 bytes, values after the
// 65 535th dropped, the root's name and values left out. A key whose record
// outgrows 64 KB gets a block of its own that large, which this reader takes
// and Windows would not.
std::string formatCregFile(const RegNode& root);

// Whether formatCregFile can write `root` whole and read it back unchanged:
// CantWrite naming `fileName` and the first key concerned otherwise. Windows 95
// keeps a key's name and values in one record of at most 64 KB, so a key whose
// values do not fit is refused here too, as RegSetValueEx refuses it there.
Status checkCregLimits(const RegNode& root, const std::string& fileName);

} // namespace velkan::platform::detail
