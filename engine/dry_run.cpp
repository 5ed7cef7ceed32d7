// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/dry_run.h"

#include <cerrno>
#include <map>
#include <memory>
#include <set>

#include "runtime/text.h"

namespace vantrel {
namespace {

// The folder as the real one was when opened, changed only in memory from then on.
// A subfolder's entries are read from the real one the first time they are asked for.
class PretendFolder : public Folder {
 public:
  PretendFolder(std::unique_ptr<Folder> real, std::vector<DirEntry> entries)
      : real_(std::move(real)), traits_(real_->Traits(entries)) {
    for (DirEntry& entry : entries) Add(entry.name, entry.plain, entry.folder);
  }

  bool ReadEntries(std::vector<DirEntry>* entries, SysError*) override {
    entries->clear();
    std::set<std::string> listed;
    for (const std::string& key : order_) {
      const auto found = names_.find(key);
      if (found == names_.end() || !listed.insert(key).second) continue;
      entries->push_back(found->second.AsEntry(found->second.name));
    }
    return true;
  }

  SubfolderListing ReadSubfolderEntries(const std::string& name, std::vector<DirEntry>* entries,
                                        SysError* err) override {
    const auto folder = names_.find(Key(name));
    if (folder == names_.end() || folder->second.plain) return SubfolderListing::kNone;
    if (!folder->second.read) {
      const SubfolderListing real = ReadRealSubfolder(name, err);
      if (real != SubfolderListing::kRead) return real;
    }
    entries->clear();
    const std::string start = Key(name) + '/';
    for (auto it = names_.lower_bound(start); it != names_.end() && it->first.starts_with(start);
         ++it) {
      entries->push_back(it->second.AsEntry(it->second.name.substr(name.size() + 1)));
    }
    return SubfolderListing::kRead;
  }

  RenameOutcome RenameNoReplace(const std::string& from, const std::string& to,
                                SysError* err) override {
    const auto source = names_.find(Key(from));
    if (source == names_.end()) {
      *err = SysError{"renameat2", from, ENOENT};
      return RenameOutcome::kMissing;
    }
    if (names_.count(Key(to)) != 0) {
      *err = SysError{"renameat2", to, EEXIST};
      return RenameOutcome::kTaken;
    }
    const Entry moved = source->second;
    names_.erase(source);
    Add(to, moved.plain, moved.folder);
    return RenameOutcome::kDone;
  }

  bool MakeSubfolder(const std::string& name, SysError* err) override {
    if (names_.count(Key(name)) != 0) {
      *err = SysError{"mkdirat", name, EEXIST};
      return false;
    }
    Add(name, false, true).read = true;
    return true;
  }

  bool RemoveSubfolder(const std::string& name, SysError* err) override {
    std::vector<DirEntry> inside;
    const SubfolderListing listing = ReadSubfolderEntries(name, &inside, err);
    if (listing == SubfolderListing::kNone) *err = SysError{"unlinkat", name, ENOENT};
    if (listing != SubfolderListing::kRead) return false;
    if (!inside.empty()) {
      *err = SysError{"unlinkat", name, ENOTEMPTY};
      return false;
    }
    names_.erase(Key(name));
    return true;
  }

  FolderTraits Traits(const std::vector<DirEntry>&) override { return traits_; }

 private:
  struct Entry {
    std::string name;  // as given, relative to the folder
    bool plain = false;
    bool folder = false;
    bool read = false;  // a subfolder whose entries are here

    DirEntry AsEntry(std::string listed_name) const {
      return DirEntry{std::move(listed_name), plain, folder};
    }
  };

  std::string Key(const std::string& name) const {
    return traits_.ignores_case ? FoldCase(name) : name;
  }

  Entry& Add(const std::string& name, bool plain, bool folder) {
    const std::string key = Key(name);
    if (name.find('/') == std::string::npos) order_.push_back(key);
    return names_[key] = Entry{name, plain, folder, false};
  }

  SubfolderListing ReadRealSubfolder(const std::string& name, SysError* err) {
    std::vector<DirEntry> inside;
    const SubfolderListing real = real_->ReadSubfolderEntries(name, &inside, err);
    if (real != SubfolderListing::kRead) return real;
    names_[Key(name)].read = true;
    for (const DirEntry& entry : inside) Add(name + '/' + entry.name, entry.plain, entry.folder);
    return SubfolderListing::kRead;
  }

  std::unique_ptr<Folder> real_;
  FolderTraits traits_;
  std::map<std::string, Entry> names_;  // by Key
  std::vector<std::string> order_;      // keys of the folder's own entries, as they came
};

class PretendRuntime : public Runtime {
 public:
  explicit PretendRuntime(Runtime& real) : real_(real) {}

  std::unique_ptr<Folder> OpenFolder(const std::string& path, SysError* err) override {
    std::unique_ptr<Folder> real = real_.OpenFolder(path, err);
    std::vector<DirEntry> entries;
    if (!real || !real->ReadEntries(&entries, err)) return nullptr;
    return std::make_unique<PretendFolder>(std::move(real), std::move(entries));
  }
  double NextRandom() override { return real_.NextRandom(); }
  NumberFormat UserNumberFormat() const override { return real_.UserNumberFormat(); }

 private:
  Runtime& real_;
};

}  // namespace

ShuffleOutcome PreviewShuffle(Runtime& runtime, ShuffleView& view) {
  PretendRuntime pretend(runtime);
  return ShuffleFolder(pretend, view);
}

}  // namespace vantrel
