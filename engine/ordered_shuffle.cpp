// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ordered_shuffle.h"

#include <algorithm>
#include <cerrno>
#include <numeric>
#include <optional>
#include <unordered_map>

#include "engine/holding_folder.h"
#include "runtime/text.h"

namespace vantrel {
namespace {

// A file in the holding folder, still under its old name, and the name it comes
// back under once that is drawn.
struct Parked {
  std::string old_name;
  std::string new_name;
};

class OrderedShuffle {
 public:
  OrderedShuffle(Folder& folder, NameDrawer& drawer, TakenNames& taken, ShuffleView& view,
                 RunJournal* journal, ShuffleOutcome* outcome, int file_count)
      : folder_(folder),
        drawer_(drawer),
        taken_(taken),
        view_(view),
        journal_(journal),
        outcome_(outcome),
        total_steps_(2 * file_count) {}

  void Run(const std::vector<std::string>& name_list, int64_t range);

 private:
  void CheckEveryFileCanBeNamed(const std::vector<std::string>& name_list, int64_t range);
  std::optional<ShuffleError> ParkAll(const std::vector<std::string>& name_list);
  std::optional<std::string> DrawFor(size_t index, bool may_trade);
  std::optional<std::string> TradeWithEarlier(size_t index);
  std::optional<ShuffleError> PlanWayBack();
  void BringBack(std::optional<ShuffleError>* failure);
  bool ReturnOne(Parked& parked, size_t index, std::optional<ShuffleError>* failure);
  bool Amend(const std::string& name, std::optional<ShuffleError>* failure);
  // Both passes count, each file half in each, so that the window's count of files
  // moves on through the whole run and ends at the number of files.
  void Step() { view_.ReportProgress(++steps_ / 2, total_steps_ / 2); }

  Folder& folder_;
  NameDrawer& drawer_;
  TakenNames& taken_;
  ShuffleView& view_;
  RunJournal* journal_;
  ShuffleOutcome* outcome_;
  std::vector<Parked> parked_;
  std::vector<size_t> order_;  // of the way back: by new name
  size_t place_ = 0;           // in order_ of the file coming back
  int steps_ = 0;
  int total_steps_;
  int held_ = 0;  // files that could not come back and stay parked
};

void OrderedShuffle::Run(const std::vector<std::string>& name_list, int64_t range) {
  CheckEveryFileCanBeNamed(name_list, range);
  SysError sys;
  if (!folder_.MakeSubfolder(kHoldingFolder, &sys)) {
    RaiseError(ErrorKind::kFileService, kHoldingFolder, sys.call, sys.code);
  }
  std::optional<ShuffleError> failure = ParkAll(name_list);
  for (size_t i = 0; i < parked_.size(); ++i) {
    // The check above left a name for every file, unless a stop kept back files
    // whose numbers the parked ones needed.
    parked_[i].new_name = DrawFor(i, true).value_or(parked_[i].old_name);
  }
  // A stop in the first pass leaves fewer files to bring back.
  steps_ = total_steps_ - static_cast<int>(parked_.size());
  if (std::optional<ShuffleError> unrecorded = PlanWayBack()) {
    // Without a record no file may take a new name: all go home under their own.
    for (Parked& parked : parked_) parked.new_name = parked.old_name;
    journal_ = nullptr;
    if (!failure) failure = unrecorded;
  }
  BringBack(&failure);
  if (held_ == 0 && !folder_.RemoveSubfolder(kHoldingFolder, &sys) && !failure) {
    failure = MakeError(ErrorKind::kFileService, kHoldingFolder, sys);
  }
  if (failure) {
    failure->held = held_;
    throw *failure;
  }
}

// Refuses before any file moves what the draws could not complete, so that a
// shortage never strands files in the holding folder.
void OrderedShuffle::CheckEveryFileCanBeNamed(const std::vector<std::string>& name_list,
                                              int64_t range) {
  for (const std::string& name : name_list) {
    if (!HasAtLeastChars(name, kEndingChars)) RaiseError(ErrorKind::kInvalidArgument, name);
    taken_.Remove(name);
  }
  std::unordered_map<std::string, std::pair<int64_t, const std::string*>> files_per_ending;
  for (const std::string& name : name_list) {
    auto& [count, first] = files_per_ending[taken_.EndingKey(LastChars(name, kEndingChars))];
    if (count++ == 0) first = &name;
  }
  for (const auto& [ending, files] : files_per_ending) {
    const int64_t free = range - taken_.CountFor(ending);
    // A lone file whose own number is the only one left would have to keep it.
    const bool only_own = files.first == 1 && free == 1 && taken_.NumberOf(*files.second);
    if (files.first > free || only_own) RaiseError(ErrorKind::kNoFreeName, *files.second);
  }
}

std::optional<ShuffleError> OrderedShuffle::ParkAll(const std::vector<std::string>& name_list) {
  std::optional<ShuffleError> failure;
  for (const std::string& name : name_list) {
    if (failure || view_.StopRequested()) {
      outcome_->stopped = outcome_->stopped || !failure;
      taken_.Add(name);  // stays in the folder under its name
      continue;
    }
    SysError sys;
    switch (folder_.RenameNoReplace(name, HeldName(name), &sys)) {
      case RenameOutcome::kDone:
        parked_.push_back({name, {}});
        Step();
        break;
      case RenameOutcome::kTaken:
        sys = SysError{"renameat2", HeldName(name), EEXIST};
        [[fallthrough]];
      case RenameOutcome::kFailed:
        failure = MakeError(ErrorKind::kFileService, name, sys);
        taken_.Add(name);
        break;
    }
  }
  return failure;
}

// A new name for parked file `index`, never its old one: that is free once the file
// has left, so it is held in `taken` for the draw.
std::optional<std::string> OrderedShuffle::DrawFor(size_t index, bool may_trade) {
  const std::string& old_name = parked_[index].old_name;
  const bool hold_own = !taken_.Contains(old_name);
  if (hold_own) taken_.Add(old_name);
  std::optional<std::string> name;
  try {
    name = drawer_.DrawNewName(old_name);
  } catch (const ShuffleError& error) {
    if (error.kind != ErrorKind::kNoFreeName) throw;
  }
  if (hold_own) taken_.Remove(old_name);
  if (!name && may_trade) name = TradeWithEarlier(index);
  if (name) taken_.Add(*name);
  return name;
}

// The last file of an ending may find only its own number left. It then takes the
// number of an earlier file of that ending, which takes the free one instead.
std::optional<std::string> OrderedShuffle::TradeWithEarlier(size_t index) {
  const Parked& file = parked_[index];
  const std::optional<int64_t> own = taken_.NumberOf(file.old_name);
  const std::string ending = taken_.EndingKey(LastChars(file.old_name, kEndingChars));
  for (size_t i = index; own && i-- > 0;) {
    Parked& earlier = parked_[i];
    const std::optional<int64_t> given = taken_.NumberOf(earlier.new_name);
    if (!given || taken_.EndingKey(LastChars(earlier.old_name, kEndingChars)) != ending) continue;
    taken_.Remove(earlier.new_name);
    earlier.new_name = drawer_.NameWith(earlier.old_name, *own);
    taken_.Add(earlier.new_name);
    return drawer_.NameWith(file.old_name, *given);
  }
  return std::nullopt;
}

// The files come back in the order of their new names, each planned in the record
// before the first of them is renamed.
std::optional<ShuffleError> OrderedShuffle::PlanWayBack() {
  order_.resize(parked_.size());
  std::iota(order_.begin(), order_.end(), size_t{0});
  std::sort(order_.begin(), order_.end(),
            [&](size_t a, size_t b) { return parked_[a].new_name < parked_[b].new_name; });
  if (journal_ == nullptr || parked_.empty()) return std::nullopt;
  std::vector<RenamedFile> plan;
  plan.reserve(order_.size());
  for (const size_t index : order_)
    plan.push_back({parked_[index].old_name, parked_[index].new_name});
  SysError sys;
  if (journal_->Plan(plan, &sys)) return std::nullopt;
  return MakeError(ErrorKind::kRecordUnwritable, sys.path, sys);
}

void OrderedShuffle::BringBack(std::optional<ShuffleError>* failure) {
  outcome_->record.files.reserve(parked_.size());
  for (size_t place = 0; place < order_.size(); ++place) {
    place_ = place;
    if (!ReturnOne(parked_[order_[place]], order_[place], failure)) ++held_;
  }
}

bool OrderedShuffle::ReturnOne(Parked& parked, size_t index, std::optional<ShuffleError>* failure) {
  for (;;) {
    SysError sys;
    switch (folder_.RenameNoReplace(HeldName(parked.old_name), parked.new_name, &sys)) {
      case RenameOutcome::kDone:
        // After a stop a lone file may find only its own number left, and keep it.
        if (parked.new_name != parked.old_name) {
          outcome_->record.files.push_back({parked.old_name, parked.new_name});
          ++outcome_->renamed;
          if (journal_ != nullptr) journal_->Done(place_);
        }
        Step();
        return true;
      case RenameOutcome::kTaken:
        // Made meanwhile, or a spelling the set did not know: another name, or else
        // the old one, which is free unless some other file has it now. Either is
        // written in the record first, so that it never names another's file.
        if (const auto name = DrawFor(index, false); name && Amend(*name, failure)) {
          parked.new_name = *name;
          continue;
        }
        if (parked.new_name != parked.old_name) {
          Amend(parked.old_name, failure);
          parked.new_name = parked.old_name;
          continue;
        }
        if (!*failure) *failure = MakeError(ErrorKind::kNoFreeName, parked.old_name);
        return false;
      case RenameOutcome::kFailed:
        if (!*failure) *failure = MakeError(ErrorKind::kFileService, parked.old_name, sys);
        return false;
    }
  }
}

bool OrderedShuffle::Amend(const std::string& name, std::optional<ShuffleError>* failure) {
  SysError sys;
  if (journal_ == nullptr || journal_->Amend(place_, name, &sys)) return true;
  if (!*failure) *failure = MakeError(ErrorKind::kRecordUnwritable, sys.path, sys);
  return false;
}

}  // namespace

void ShuffleInNameOrder(Folder& folder, NameDrawer& drawer, TakenNames& taken, int64_t range,
                        const std::vector<std::string>& name_list, ShuffleView& view,
                        RunJournal* journal, ShuffleOutcome* outcome) {
  OrderedShuffle run(folder, drawer, taken, view, journal, outcome,
                     static_cast<int>(name_list.size()));
  run.Run(name_list, range);
}

}  // namespace vantrel
