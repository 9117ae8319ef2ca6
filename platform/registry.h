// The Windows registry, read (and, for installers and tests, written) with
// UTF-8 key and value names. Elsewhere there is no registry: every key is
// missing and nothing can be written.
//
// Tests keep the keys they stand in for below a key of their own: while the
// test setting QUARLAN_REGISTRY_ROOT names a key below HKEY_CURRENT_USER, the
// JavaSoft keys and the login name's keys of HKEY_LOCAL_MACHINE and the
// user's "Control Panel\International" are read and written below that key
// instead. Callers always name the real keys.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/error.h"

namespace platform {

enum class RegRoot { LocalMachine, CurrentUser };

// Which view of the registry a key is read in: the program's own, or the
// 64-bit or 32-bit one explicitly (a 32-bit program reading what 64-bit
// programs wrote, and the other way round).
enum class RegView { Own, Bits64, Bits32 };

// The view a program reads and writes as its own: HKEY_LOCAL_MACHINE\SOFTWARE
// of a 32-bit program on 64-bit Windows is the 32-bit view (WOW6432Node).
constexpr RegView ownRegView() { return sizeof(void*) == 4 ? RegView::Bits32 : RegView::Bits64; }

// The view that `view` (Own: this program's) is not.
constexpr RegView otherRegView(RegView view) {
    return (view == RegView::Own ? ownRegView() : view) == RegView::Bits32 ? RegView::Bits64 : RegView::Bits32;
}

// The names of the subkeys of a key in the order the registry gives them.
// Fails when the key cannot be opened or listed.
Result regSubkeys(RegRoot root, const std::string& key, RegView view, std::vector<std::string>& names);

// True when the key can be opened for reading. A question: a key that cannot
// be opened is, for every caller, a key that is not there.
bool regKeyExists(RegRoot root, const std::string& key, RegView view);

// A string value (REG_SZ or REG_EXPAND_SZ, not expanded) of a key; nothing
// when the key or the value is missing or holds another type.
std::optional<std::string> regString(RegRoot root, const std::string& key, const std::string& value,
                                     RegView view = RegView::Own);

// True when the key holds the value, whatever its type and content.
bool regValueExists(RegRoot root, const std::string& key, const std::string& value, RegView view = RegView::Own);

// Opens the key for writing, creating it (and its parents) when it is
// missing. Succeeds when the key can be written.
Result regCreateKey(RegRoot root, const std::string& key, RegView view = RegView::Own);

// Creates the key (and its parents) as needed and sets a REG_SZ value.
Result regSetString(RegRoot root, const std::string& key, const std::string& value, const std::string& data,
                    RegView view = RegView::Own);

// Removes a key with all its subkeys and values. Succeeds when it is gone
// (also when it was never there); a whole root is never removed.
Result regDeleteTree(RegRoot root, const std::string& key, RegView view = RegView::Own);

// Where a key is read and written, for traces and reports: "HKLM\<key>" or
// "HKCU\<key>", or the key below the tests' own key that stands for it.
std::string regKeyName(RegRoot root, const std::string& key);

}  // namespace platform
