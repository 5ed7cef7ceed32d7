// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ordered_shuffle.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

#include "engine/stick_order.h"
#include "runtime/text.h"

namespace vantrel {
namespace {

class OrderedShuffle {
 public:
  OrderedShuffle(Folder& folder, NameDrawer& drawer, TakenNames& taken, ShuffleView& view,
                 RunJournal* journal, ShuffleOutcome* outcome, int file_count)
      : stick_(folder, &view, file_count),
        drawer_(drawer),
        taken_(taken),
        journal_(journal),
        outcome_(outcome) {}

  void Run(const std::vector<std::string>& name_list, int64_t range);

 private:
  void CheckEveryFileCanBeNamed(const std::vector<std::string>& name_list, int64_t range);
  std::optional<std::string> DrawFor(size_t index, bool may_trade);
  std::optional<std::string> TradeWithEarlier(size_t index);
  void PlanWayBack();
  std::optional<std::string> NameAfterTaken(size_t place, const std::string& taken);
  bool Amend(size_t place, const std::string& name);

  StickOrder stick_;
  NameDrawer& drawer_;
  TakenNames& taken_;
  RunJournal* journal_;
  ShuffleOutcome* outcome_;
  std::vector<HeldFile> parked_;  // held: the old name; target: the new one
};

void OrderedShuffle::Run(const std::vector<std::string>& name_list, int64_t range) {
  CheckEveryFileCanBeNamed(name_list, range);
  stick_.MakeHoldingFolder();
  const size_t parked = stick_.ParkAll(name_list, false).size();
  outcome_->stopped = stick_.stopped();
  // What never left stays in the folder under its name.
  for (size_t i = parked; i < name_list.size(); ++i) taken_.Add(name_list[i]);
  for (size_t i = 0; i < parked; ++i) {
    parked_.push_back({name_list[i], {}});
    // The check above left a name for every file, unless a stop kept back files
    // whose numbers the parked ones needed.
    parked_[i].target = DrawFor(i, true).value_or(name_list[i]);
  }
  PlanWayBack();
  outcome_->record.files.reserve(parked_.size());
  stick_.BringBack(
      parked_,
      [&](size_t place, const HeldFile&, const std::string& taken, const SysError&) {
        return NameAfterTaken(place, taken);
      },
      [&](size_t place, const HeldFile& file, const std::string& name) {
        // After a stop a lone file may find only its own number left, and keep it.
        if (name == file.held) return;
        outcome_->record.files.push_back({file.held, name});
        ++outcome_->renamed;
        if (journal_ != nullptr) journal_->Done(place);
      });
  stick_.Finish();
}

// Refuses before any file moves what the draws could not complete, so that a
// shortage never strands files in the holding folder.
void OrderedShuffle::CheckEveryFileCanBeNamed(const std::vector<std::string>& name_list,
                                              int64_t range) {
  for (const std::string& name : name_list) {
    if (!HasAtLeastChars(name, kEndingChars)) RaiseError(ErrorKind::kNameTooShort, name);
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

// A new name for parked file `index`, never its old one: that is free once the file
// has left, so it is held in `taken` for the draw.
std::optional<std::string> OrderedShuffle::DrawFor(size_t index, bool may_trade) {
  const std::string& old_name = parked_[index].held;
  const bool hold_own = !taken_.Contains(old_name);
  if (hold_own) taken_.Add(old_name);
  std::optional<std::string> name = drawer_.DrawNewName(old_name);
  if (hold_own) taken_.Remove(old_name);
  if (!name && may_trade) name = TradeWithEarlier(index);
  if (name) taken_.Add(*name);
  return name;
}

// The last file of an ending may find only its own number left. It then takes the
// number of an earlier file of that ending, which takes the free one instead.
std::optional<std::string> OrderedShuffle::TradeWithEarlier(size_t index) {
  const HeldFile& file = parked_[index];
  const std::optional<int64_t> own = taken_.NumberOf(file.held);
  const std::string ending = taken_.EndingKey(LastChars(file.held, kEndingChars));
  for (size_t i = index; own && i-- > 0;) {
    HeldFile& earlier = parked_[i];
    const std::optional<int64_t> given = taken_.NumberOf(earlier.target);
    if (!given || taken_.EndingKey(LastChars(earlier.held, kEndingChars)) != ending) continue;
    taken_.Remove(earlier.target);
    earlier.target = drawer_.NameWith(earlier.held, *own);
    taken_.Add(earlier.target);
    return drawer_.NameWith(file.held, *given);
  }
  return std::nullopt;
}

// The files come back in the order of their new names, each planned in the record
// before the first of them is renamed. Without a record no file may take a new
// name: all go home under their own.
void OrderedShuffle::PlanWayBack() {
  StickOrder::SortByTarget(&parked_);
  if (journal_ == nullptr || parked_.empty()) return;
  std::vector<RenamedFile> plan;
  plan.reserve(parked_.size());
  for (const HeldFile& file : parked_) plan.push_back({file.held, file.target});
  SysError sys;
  if (journal_->Plan(plan, &sys)) return;
  stick_.Fail(MakeError(ErrorKind::kRecordUnwritable, sys.path, sys));
  for (HeldFile& file : parked_) file.target = file.held;
  journal_ = nullptr;
}

// A new name made meanwhile, or a spelling the set did not know: another name, or
// else the old one, which is free unless some other file has it now. Either is
// written in the record first, so that it never names another's file.
std::optional<std::string> OrderedShuffle::NameAfterTaken(size_t place, const std::string& taken) {
  const std::string& old_name = parked_[place].held;
  if (const auto name = DrawFor(place, false); name && Amend(place, *name)) return name;
  if (taken != old_name) {
    Amend(place, old_name);
    return old_name;
  }
  stick_.Fail(MakeError(ErrorKind::kNoFreeName, old_name));
  return std::nullopt;
}

bool OrderedShuffle::Amend(size_t place, const std::string& name) {
  SysError sys;
  if (journal_ == nullptr || journal_->Amend(place, name, &sys)) return true;
  stick_.Fail(MakeError(ErrorKind::kRecordUnwritable, sys.path, sys));
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
