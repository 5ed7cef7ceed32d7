// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/batch_renames.h"

#include <algorithm>
#include <optional>

namespace vantrel {
namespace {

// One sync of the record per batch. Small first batches keep a short run's
// record short; larger ones keep the syncs of a long run few.
constexpr size_t kFirstBatch = 256;
constexpr size_t kLargestBatch = 4096;

[[noreturn]] void Raise(ErrorKind kind, const std::string& file, const SysError& sys) {
  throw MakeError(kind, file, sys);
}

void FillTaken(const std::vector<DirEntry>& entries, TakenNames* taken) {
  taken->Clear();
  taken->Reserve(entries.size() + 64);
  for (const DirEntry& entry : entries) taken->Add(entry.name);
}

void ReadAfresh(Folder& folder, TakenNames* taken) {
  std::vector<DirEntry> entries;
  SysError sys;
  if (!folder.ReadEntries(&entries, &sys)) Raise(ErrorKind::kFolderUnreadable, sys.path, sys);
  FillTaken(entries, taken);
}

class BatchRenames {
 public:
  BatchRenames(Folder& folder, NameDrawer& drawer, TakenNames& taken, ShuffleView& view,
               RunJournal* journal, ShuffleOutcome* outcome)
      : folder_(folder),
        drawer_(drawer),
        taken_(taken),
        view_(view),
        journal_(journal),
        outcome_(outcome) {}

  void Run(const std::vector<std::string>& name_list);

 private:
  void DrawAhead(const std::vector<std::string>& name_list, size_t count,
                 std::optional<ShuffleError>* pending);
  void Write(bool written, const SysError& sys) {
    if (!written) Raise(ErrorKind::kRecordUnwritable, sys.path, sys);
  }
  bool RenameBatch();
  void RenameAs(size_t index);
  std::string DrawAgain(size_t index, bool* read_afresh);
  bool ReleaseLaterPlans(size_t index);

  Folder& folder_;
  NameDrawer& drawer_;
  TakenNames& taken_;
  ShuffleView& view_;
  RunJournal* journal_;
  ShuffleOutcome* outcome_;
  std::vector<RenamedFile> batch_;
  std::vector<bool> redraw_;  // planned name given back; drawn afresh before the rename
  size_t first_ = 0;          // index in the listing of the batch's first file
};

void BatchRenames::Run(const std::vector<std::string>& name_list) {
  // Reserved, so that recording a rename that is done cannot run out of memory.
  outcome_->record.files.reserve(name_list.size());
  size_t batch_size = kFirstBatch;
  bool read_afresh = false;
  while (first_ < name_list.size()) {
    if (view_.StopRequested()) {
      outcome_->stopped = true;
      return;
    }
    std::optional<ShuffleError> pending;
    DrawAhead(name_list, batch_size, &pending);
    // No name left for the batch's first file: the set may be fuller than the
    // folder (names made meanwhile, files others removed), so the folder is read
    // once more before saying so. A listing comes from the file system itself.
    if (batch_.empty() && pending->kind == ErrorKind::kNoFreeName && !read_afresh) {
      ReadAfresh(folder_, &taken_);
      read_afresh = true;
      continue;
    }
    if (batch_.empty()) throw *pending;
    read_afresh = false;
    SysError sys;
    if (journal_ != nullptr) Write(journal_->Plan(batch_, &sys), sys);
    if (!RenameBatch()) return;
    if (pending && pending->kind != ErrorKind::kNoFreeName) throw *pending;
    first_ += batch_.size();
    batch_size = std::min(2 * batch_size, kLargestBatch);
  }
}

// Draws for up to `count` files from first_ on, each as if the ones before were
// renamed: its name joins the set and its old one leaves it. A failed draw ends
// the batch there; the error waits in `pending` until the batch is renamed.
void BatchRenames::DrawAhead(const std::vector<std::string>& name_list, size_t count,
                             std::optional<ShuffleError>* pending) {
  batch_.clear();
  const size_t end = std::min(name_list.size(), first_ + count);
  for (size_t i = first_; i < end; ++i) {
    std::optional<std::string> new_name;
    try {
      new_name = drawer_.DrawNewName(name_list[i]);
    } catch (const ShuffleError& error) {  // a name too short, told after the batch
      *pending = error;
      break;
    }
    if (!new_name) {
      *pending = MakeError(ErrorKind::kNoFreeName, name_list[i]);
      break;
    }
    taken_.Remove(name_list[i]);
    taken_.Add(*new_name);
    batch_.push_back({name_list[i], std::move(*new_name)});
  }
  redraw_.assign(batch_.size(), false);
}

// False when the view asked to stop.
bool BatchRenames::RenameBatch() {
  const auto file_count = static_cast<int>(outcome_->total);
  for (size_t i = 0; i < batch_.size(); ++i) {
    if (view_.StopRequested()) {
      outcome_->stopped = true;
      return false;
    }
    RenameAs(i);
    if (journal_ != nullptr) journal_->Done(first_ + i);
    outcome_->record.files.push_back(batch_[i]);
    ++outcome_->renamed;
    view_.ReportProgress(outcome_->renamed, file_count);
  }
  return true;
}

void BatchRenames::RenameAs(size_t index) {
  RenamedFile& file = batch_[index];
  bool read_afresh = false;
  if (redraw_[index]) file.new_name = DrawAgain(index, &read_afresh);
  for (;;) {
    SysError sys;
    switch (folder_.RenameNoReplace(file.old_name, file.new_name, &sys)) {
      case RenameOutcome::kDone:
        if (redraw_[index]) taken_.Remove(file.old_name);
        return;
      case RenameOutcome::kTaken:
        taken_.Add(file.new_name);
        file.new_name = DrawAgain(index, &read_afresh);
        break;
      case RenameOutcome::kMissing:
      case RenameOutcome::kFailed:
        Raise(ErrorKind::kRenameFailed, file.old_name, sys);
    }
  }
}

// Another name for batch file `index`, written ahead of its rename. Where none is
// left, the later files of the batch give back their planned names, so that this
// one draws from what is free now, as if there were no batch; and before saying
// that no name is left, the folder is read once more, as above.
std::string BatchRenames::DrawAgain(size_t index, bool* read_afresh) {
  const std::string& old_name = batch_[index].old_name;
  // This file and the later ones of the batch keep their old names until their
  // renames succeed; the plans count them as gone, this draw may not.
  std::vector<std::string> held;
  for (size_t i = index; i < batch_.size(); ++i) {
    if (taken_.Contains(batch_[i].old_name)) continue;
    taken_.Add(batch_[i].old_name);
    held.push_back(batch_[i].old_name);
  }
  std::optional<std::string> name;
  while (!(name = drawer_.DrawNewName(old_name))) {
    if (ReleaseLaterPlans(index)) {
      held.assign(1, old_name);  // the later files now stay where they are
      continue;
    }
    if (*read_afresh) throw MakeError(ErrorKind::kNoFreeName, old_name);
    *read_afresh = true;
    ReadAfresh(folder_, &taken_);
  }
  for (const std::string& name_held : held) taken_.Remove(name_held);
  taken_.Add(*name);
  SysError sys;
  if (journal_ != nullptr) Write(journal_->Amend(first_ + index, *name, &sys), sys);
  return *name;
}

bool BatchRenames::ReleaseLaterPlans(size_t index) {
  bool released = false;
  // A plan may be the old name of another file that has not moved yet: every plan
  // leaves the set before any old name comes back, or that file's name would go.
  for (size_t i = index + 1; i < batch_.size(); ++i) {
    if (redraw_[i]) continue;
    taken_.Remove(batch_[i].new_name);
    redraw_[i] = true;
    released = true;
  }
  for (size_t i = index; i < batch_.size(); ++i) taken_.Add(batch_[i].old_name);
  return released;
}

}  // namespace

void RenameInBatches(Folder& folder, NameDrawer& drawer, TakenNames& taken,
                     const std::vector<std::string>& name_list, ShuffleView& view,
                     RunJournal* journal, ShuffleOutcome* outcome) {
  BatchRenames(folder, drawer, taken, view, journal, outcome).Run(name_list);
}

}  // namespace vantrel
