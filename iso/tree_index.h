// Look-up indexes over the tree: directories by upper-cased path, the entries
// of each directory by upper-cased long name and by ISO 9660 name, and each
// chain's last entry and every entry's predecessor. They give the tree
// editing the same answers as a walk of the tables and chains (first match,
// PrevFile), in constant time.
//
// The indexes follow the editing operations, which report every change here.
// Chains re-linked by other code are covered by ChainChanged (iso/tree.h);
// besides, every answer is checked against the records before it is given,
// and a chain whose index disagrees is indexed again from its records.
#pragma once

#include <string>
#include <string_view>

#include "iso/tree.h"

namespace orlix::tree_index {

// ASCII letters upper-cased, other bytes kept: the tree's case rule.
std::string UpperCase(std::string_view s);

// Forgets everything (the tables were emptied).
void Reset();

// First directory in Dirs slots 1 to DirCounter-1 whose Path equals
// `upper_path`, or nil.
PDEntry FindDir(const std::string& upper_path);
// `dir` left Dirs from `slot`; it is about to be released.
void DirReleased(PDEntry dir, int32_t slot);
// The Path of `dir` (and of the directories below it) was rewritten.
void PathsChanged();

// First entry of dir's chain whose upper-cased LongName equals `upper_name`.
// `prev` receives its predecessor (nil for the first entry), or the chain's
// last entry when there is no match: what a walk of the chain leaves behind.
PFEntry FindFile(PDEntry dir, const std::string& upper_name, PFEntry& prev);
// Last entry of dir's chain, nil when it is empty.
PFEntry LastEntry(PDEntry dir);
// True when `entry` is in dir's chain; `prev` receives its predecessor.
bool Locate(PDEntry dir, PFEntry entry, PFEntry& prev);
// Links `entry` at the end of dir's chain (its Next becomes nil).
void Append(PDEntry dir, PFEntry entry);
// Unlinks `entry`, whose predecessor in dir's chain is `prev`.
void Unlink(PDEntry dir, PFEntry entry, PFEntry prev);
// entry's LongName was `old_long_name` and has just been changed.
void Renamed(PFEntry entry, const std::string& old_long_name);
// entry's Name (ISO 9660) was `old_name` and has just been changed.
void ShortRenamed(PFEntry entry, const std::string& old_name);
// An entry of dir's chain other than `except` whose Name equals `name`,
// ASCII case ignored, or nil.
PFEntry FindShort(PDEntry dir, const std::string& name, PFEntry except);
// The counter to try next for names made unique from `stem` in `dir`
// (1 at first); the caller moves it on. Forgotten with the directory.
uint32_t& NextCounter(PDEntry dir, const std::string& stem);
// `entry` is about to be released.
void EntryReleased(PFEntry entry);
// The directory holding `entry`'s chain, as far as the index knows; nil when
// unknown.
PDEntry OwnerOf(PFEntry entry);

// dir's chain was re-linked by other code.
void ChainChanged(PDEntry dir);

}  // namespace orlix::tree_index
