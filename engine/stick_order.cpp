// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/stick_order.h"

#include <algorithm>
#include <memory>

namespace vantrel {

void StickOrder::MakeHoldingFolder() {
  SysError sys;
  if (!folder_.MakeSubfolder(kHoldingFolder, &sys)) {
    throw MakeError(ErrorKind::kRenameFailed, sys.path, sys);
  }
}

std::vector<RenameOutcome> StickOrder::ParkAll(const std::vector<std::string>& names,
                                               bool missing_ok) {
  std::vector<RenameOutcome> dealt;
  dealt.reserve(names.size());
  for (const std::string& name : names) {
    if (error_) break;
    if (view_ != nullptr && view_->StopRequested()) {
      stopped_ = true;
      break;
    }
    SysError sys;
    const RenameOutcome outcome = folder_.RenameNoReplace(name, HeldName(name), &sys);
    if (outcome != RenameOutcome::kDone && !(outcome == RenameOutcome::kMissing && missing_ok)) {
      Fail(sys);
      break;
    }
    dealt.push_back(outcome);
    Step();
  }
  // Files that never left count both their halves at once.
  steps_ =
      total_steps_ - static_cast<int>(std::count(dealt.begin(), dealt.end(), RenameOutcome::kDone));
  return dealt;
}

void StickOrder::SortByTarget(std::vector<HeldFile>* files) {
  std::stable_sort(files->begin(), files->end(),
                   [](const HeldFile& a, const HeldFile& b) { return a.target < b.target; });
}

void StickOrder::BringBack(const std::vector<HeldFile>& files, const Fallback& fallback,
                           const Arrived& arrived) {
  for (size_t place = 0; place < files.size(); ++place) {
    const HeldFile& file = files[place];
    std::optional<std::string> to = file.target;
    for (;;) {
      SysError sys;
      const RenameOutcome outcome = folder_.RenameNoReplace(HeldName(file.held), *to, &sys);
      if (outcome == RenameOutcome::kDone) {
        arrived(place, file, *to);
        Step();
        break;
      }
      if (outcome == RenameOutcome::kTaken) to = fallback(place, file, *to, sys);
      if (outcome != RenameOutcome::kTaken) Fail(sys);
      if (outcome != RenameOutcome::kTaken || !to) {
        ++held_;
        Step();
        break;
      }
    }
  }
}

void StickOrder::Finish() {
  SysError sys;
  if (held_ == 0 && !folder_.RemoveSubfolder(kHoldingFolder, &sys)) Fail(sys);
  if (!error_) return;
  error_->held = held_;
  throw *error_;
}

Recovery RecoverHeldFiles(Folder& folder) {
  Recovery recovery;
  std::vector<DirEntry> entries;
  SysError sys;
  const SubfolderListing listing = folder.ReadSubfolderEntries(kHoldingFolder, &entries, &sys);
  if (listing == SubfolderListing::kFailed) {
    recovery.error = MakeError(ErrorKind::kFolderUnreadable, sys.path, sys);
  }
  if (listing != SubfolderListing::kRead) return recovery;  // none is the usual case
  recovery.found = true;
  std::vector<HeldFile> held;
  for (const DirEntry& entry : entries) held.push_back({entry.name, entry.name});
  StickOrder stick(folder, nullptr, static_cast<int>(held.size()));
  StickOrder::SortByTarget(&held);
  recovery.error = CatchError([&] {
    stick.BringBack(
        held,
        [&](size_t, const HeldFile& file, const std::string&, const SysError&) {
          recovery.kept.push_back(file.held);
          return std::nullopt;
        },
        [&](size_t, const HeldFile&, const std::string&) { ++recovery.restored; });
    stick.Finish();
  });
  return recovery;
}

Recovery RecoverHeldFiles(Runtime& runtime, const std::string& path) {
  SysError sys;
  const std::unique_ptr<Folder> folder = runtime.OpenFolder(path, &sys);
  if (folder) return RecoverHeldFiles(*folder);
  Recovery recovery;
  recovery.error = MakeError(ErrorKind::kFolderUnreadable, sys.path, sys);
  return recovery;
}

}  // namespace vantrel
