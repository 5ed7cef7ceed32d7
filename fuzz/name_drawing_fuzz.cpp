// SPDX-License-Identifier: GPL-3.0-or-later
// A whole shuffle run on a folder held in memory, from arbitrary bytes.
//
// Input: fields separated by NUL bytes:
//   flags byte + range text, prefix, filter, then one field per folder entry
//   (a leading '#' makes the entry a folder instead of a file).
// Flags: bit 0 German number format; bits 1-3 how many renames another program
// spoils by creating the target first; bit 4 whether it deletes those files again;
// bit 5 a NUL byte inside the prefix.
//
// A crash, a run that draws without end, a name that would leave the folder or
// hide a file, a name not ending like the old one, and a file lost or renamed
// twice are failures.

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/shuffle_run.h"
#include "engine/taken_names.h"
#include "runtime/number_text.h"
#include "runtime/text.h"
#include "tests/support/fake_view.h"
#include "window/report_texts.h"

namespace {

using vantrel::DirEntry;
using vantrel::RenameOutcome;
using vantrel::testing::FakeView;

constexpr int64_t kDrawLimit = 1'000'000;
constexpr size_t kMaxEntries = 64;

[[noreturn]] void Broken(const char* property, const std::string& name = {}) {
  std::fprintf(stderr, "shuffle property broken: %s [%s]\n", property,
               vantrel::DisplayName(name).c_str());
  std::abort();
}

struct Disk {
  std::vector<std::string> order;       // listing order
  std::map<std::string, bool> entries;  // name -> plain file
  std::set<std::string> listed_plain;   // files the run could have selected
  std::set<std::string> moved;          // old names renamed by the run
  std::vector<std::string> spoiled;     // names created by the "other program"
  int spoil_budget = 0;
  bool delete_spoiled = false;
  uint64_t random_state = 0;
  int renames_done = 0;

  uint64_t Next() {  // xorshift64*, seeded from the input
    random_state ^= random_state >> 12;
    random_state ^= random_state << 25;
    random_state ^= random_state >> 27;
    return random_state * 0x2545F4914F6CDD1DULL;
  }
};

class MemoryFolder : public vantrel::Folder {
 public:
  explicit MemoryFolder(Disk& disk) : disk_(disk) {}

  bool ReadEntries(std::vector<DirEntry>* entries, vantrel::SysError*) override {
    entries->clear();
    for (const std::string& name : disk_.order) {
      const auto found = disk_.entries.find(name);
      if (found == disk_.entries.end()) continue;
      entries->push_back(DirEntry{name, found->second});
      if (found->second) disk_.listed_plain.insert(name);
    }
    return true;
  }

  // A flat disk: no subfolder, such as the holding folder of a stick, is ever there.
  vantrel::SubfolderListing ReadSubfolderEntries(const std::string&, std::vector<DirEntry>*,
                                                 vantrel::SysError*) override {
    return vantrel::SubfolderListing::kNone;
  }
  bool MakeSubfolder(const std::string& name, vantrel::SysError*) override {
    Broken("no subfolder is made off a stick", name);
  }
  bool RemoveSubfolder(const std::string& name, vantrel::SysError*) override {
    Broken("no subfolder is removed off a stick", name);
  }

  RenameOutcome RenameNoReplace(const std::string& from, const std::string& to,
                                vantrel::SysError* err) override {
    if (to.find('/') != std::string::npos) Broken("a new name has no /", to);
    if (to.find('\0') != std::string::npos) Broken("a new name has no NUL", to);
    if (to.empty() || to == "." || to == "..") Broken("a new name is a name", to);
    if (to[0] == '.') Broken("a new name is not hidden", to);
    if (to.size() > 255) Broken("a new name fits the file system", to);
    if (vantrel::CharLength(from) < 4) Broken("a short old name gets no new name", from);
    const std::string ending = vantrel::LastChars(from, 4);
    if (to.size() < ending.size() ||
        to.compare(to.size() - ending.size(), ending.size(), ending) != 0) {
      Broken("a new name ends like the old one", to);
    }
    const auto source = disk_.entries.find(from);
    if (source == disk_.entries.end() || !source->second) Broken("the old name is a file", from);
    if (disk_.listed_plain.count(from) == 0) Broken("only listed files are renamed", from);
    if (disk_.moved.count(from) != 0) Broken("a file is renamed once", from);
    // Everything on this disk was listed, given by the run, or reported as taken:
    // a run that asks for such a name has forgotten what it knew. Only names
    // reported as taken may be asked for again, as the run may look afresh.
    if (disk_.entries.count(to) != 0) {
      for (const std::string& name : disk_.spoiled) {
        if (name == to) return Taken(to, err);
      }
      Broken("a known name is not asked for", to);
    }

    // Another program now and then creates the very name first.
    if (disk_.spoil_budget > 0 && disk_.Next() % 3 == 0) {
      --disk_.spoil_budget;
      disk_.entries[to] = true;
      disk_.order.push_back(to);
      disk_.spoiled.push_back(to);
      return Taken(to, err);
    }
    // ... and deletes its files again.
    if (disk_.delete_spoiled && !disk_.spoiled.empty()) {
      disk_.entries.erase(disk_.spoiled.back());
      disk_.spoiled.pop_back();
    }
    disk_.entries.erase(source);
    disk_.entries[to] = true;
    disk_.order.push_back(to);
    disk_.moved.insert(from);
    ++disk_.renames_done;
    return RenameOutcome::kDone;
  }

 private:
  static RenameOutcome Taken(const std::string& to, vantrel::SysError* err) {
    *err = vantrel::SysError{"renameat2", to, EEXIST};
    return RenameOutcome::kTaken;
  }

  Disk& disk_;
};

class MemoryRuntime : public vantrel::Runtime {
 public:
  MemoryRuntime(Disk& disk, bool german) : disk_(disk), german_(german) {}

  std::unique_ptr<vantrel::Folder> OpenFolder(const std::string&, vantrel::SysError*) override {
    return std::make_unique<MemoryFolder>(disk_);
  }
  double NextRandom() override {
    if (++draws_ > kDrawLimit) Broken("a run ends: too many draws");
    return static_cast<double>(disk_.Next() >> 11) * 0x1.0p-53;
  }
  vantrel::NumberFormat UserNumberFormat() const override {
    return german_ ? vantrel::NumberFormat{",", "."} : vantrel::NumberFormat{".", ","};
  }

 private:
  Disk& disk_;
  bool german_;
  int64_t draws_ = 0;
};

// Whether some number of 1..N, written as the run writes it, with the run's prefix
// and `old_name`'s ending, is the name of no entry on the disk.
bool FreeNumberExists(const Disk& disk, const FakeView& view, const vantrel::NumberFormat& format,
                      const std::string& old_name) {
  const std::optional<double> value = vantrel::ParseNumber(view.range, format);
  if (!value) return false;
  const auto range = static_cast<int64_t>(std::floor(*value));
  const size_t pad = vantrel::CharLength(view.range);
  const std::string prefix = vantrel::TrimSpaces(view.prefix);
  const std::string ending = vantrel::LastChars(old_name, 4);
  int64_t taken = 0;
  for (const auto& entry : disk.entries) {
    const std::string& name = entry.first;
    if (name.size() <= prefix.size() + ending.size() ||
        name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - ending.size(), ending.size(), ending) != 0) {
      continue;
    }
    const std::string digits =
        name.substr(prefix.size(), name.size() - prefix.size() - ending.size());
    const size_t significant = digits.find_first_not_of('0');
    if (significant == std::string::npos || digits.size() - significant > 18) continue;
    int64_t k = 0;
    bool all_digits = true;
    for (size_t i = significant; i < digits.size() && all_digits; ++i) {
      all_digits = digits[i] >= '0' && digits[i] <= '9';
      k = k * 10 + (all_digits ? digits[i] - '0' : 0);
    }
    if (all_digits && k >= 1 && k <= range && vantrel::PaddedNumber(k, pad) == digits) ++taken;
  }
  return taken < range;
}

std::vector<std::string> SplitAtNul(std::string_view input) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t end = input.find('\0', start);
    fields.emplace_back(input.substr(start, end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> fields = SplitAtNul(input.substr(1));
  fields.resize(std::max<size_t>(fields.size(), 3));
  const uint8_t flags = data[0];

  Disk disk;
  disk.spoil_budget = (flags >> 1) & 7;
  disk.delete_spoiled = (flags & 16) != 0;
  disk.random_state = 0x9E3779B97F4A7C15ULL;
  for (const char c : input) {
    disk.random_state = (disk.random_state ^ static_cast<uint8_t>(c)) * 0x100000001B3ULL;
  }
  if (disk.random_state == 0) disk.random_state = 1;

  FakeView view;
  view.folder = "/memory";
  view.range = fields[0];
  view.prefix = fields[1];
  if ((flags & 32) != 0) view.prefix += std::string("\0x", 2);
  view.filter = fields[2];
  for (size_t i = 3; i < fields.size() && disk.entries.size() < kMaxEntries; ++i) {
    std::string name = fields[i];
    bool plain = true;
    if (!name.empty() && name[0] == '#') {
      plain = false;
      name.erase(0, 1);
    }
    // What no directory can hold.
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    if (name.size() > 255) name.resize(255);
    if (name.empty() || name == "." || name == ".." || disk.entries.count(name) != 0) continue;
    disk.entries[name] = plain;
    disk.order.push_back(name);
  }
  const size_t entries_before = disk.entries.size();

  MemoryRuntime runtime(disk, (flags & 1) != 0);
  const vantrel::ShuffleOutcome outcome = vantrel::ShuffleFolder(runtime, view);

  // Renames move names; only the other program's files come and go.
  if (disk.entries.size() != entries_before + disk.spoiled.size()) {
    Broken("no entry is lost");
  }
  if (outcome.renamed != disk.renames_done) Broken("the outcome counts the renames");
  if (outcome.renamed > outcome.total) Broken("no more renames than files");
  if (outcome.error && outcome.error->kind == vantrel::ErrorKind::kNoFreeName &&
      FreeNumberExists(disk, view, runtime.UserNumberFormat(), outcome.error->file)) {
    Broken("no free name is said only when every number is taken", outcome.error->file);
  }
  if (outcome.error) {
    if (outcome.error->renamed_before != outcome.renamed) Broken("the error says how far");
    if (vantrel::DescribeError(*outcome.error).empty()) Broken("the error says what happened");
  } else if (!outcome.stopped && outcome.renamed != outcome.total) {
    Broken("a run without error renames every file");
  }
  return 0;
}
