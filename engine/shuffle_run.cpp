// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/shuffle_run.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/batch_renames.h"
#include "engine/name_drawing.h"
#include "engine/ordered_shuffle.h"
#include "engine/run_history.h"
#include "engine/stick_order.h"
#include "engine/taken_names.h"
#include "runtime/text.h"
#include "runtime/wildcard.h"

namespace vantrel {
namespace {

constexpr double kLargestRange = 1e15;  // whole parts up to 15 digits
constexpr size_t kNameMax = 255;        // bytes, NAME_MAX on Linux file systems

[[noreturn]] void Raise(ErrorKind kind, const std::string& file = {}, const SysError& sys = {}) {
  throw MakeError(kind, file, sys);
}

std::vector<DirEntry> ListFolder(Folder& folder) {
  std::vector<DirEntry> entries;
  SysError sys;
  if (!folder.ReadEntries(&entries, &sys)) Raise(ErrorKind::kFolderUnreadable, sys.path, sys);
  return entries;
}

int16_t CountFiles(const std::vector<std::string>& names) {
  int16_t file_count = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    if (!StepUp(&file_count)) Raise(ErrorKind::kTooManyFiles);
  }
  return file_count;
}

double ReadRange(const Runtime& runtime, const std::string& range_text) {
  const std::optional<double> value = ParseNumber(range_text, runtime.UserNumberFormat());
  if (!value) Raise(ErrorKind::kRangeNotANumber);
  return std::floor(*value);
}

// Raises the range to one above the file count when it is smaller than the count,
// writing the new value back to the view.
void CheckRange(const Runtime& runtime, ShuffleView& view, int16_t file_count) {
  if (ReadRange(runtime, view.RangeText()) >= file_count) return;
  int16_t raised = file_count;
  if (!StepUp(&raised)) Raise(ErrorKind::kTooManyFiles);
  view.SetRangeText(NumberToText(raised));
}

// Refuses settings that would move, hide or fail to write every file, before the
// first rename rather than part-way.
DrawSettings CheckedSettings(const Runtime& runtime, const ShuffleView& view,
                             const std::vector<std::string>& names) {
  DrawSettings settings;
  const std::string range_text = view.RangeText();
  const double range = ReadRange(runtime, range_text);
  if (range >= kLargestRange) Raise(ErrorKind::kRangeTooLarge);
  settings.range = static_cast<int64_t>(range);
  settings.pad_width = CharLength(range_text);
  settings.prefix = TrimSpaces(view.PrefixText());
  if (settings.prefix.find_first_of(std::string("/\0", 2)) != std::string::npos) {
    Raise(ErrorKind::kPrefixBadCharacter);
  }
  if (IsHiddenName(settings.prefix)) Raise(ErrorKind::kPrefixWithDot);
  size_t longest_ending = 0;
  for (const std::string& name : names) {
    longest_ending = std::max(longest_ending, LastChars(name, kEndingChars).size());
  }
  const size_t digits = std::max(settings.pad_width, NumberToText(settings.range).size());
  if (!names.empty() && settings.prefix.size() + digits + longest_ending > kNameMax) {
    Raise(ErrorKind::kNameTooLong);
  }
  return settings;
}

// FAT and exFAT refuse these in a name. A run there would park every file in the
// holding folder and then find that none can come back under its new name, so it
// refuses before any file moves.
void CheckPrefixFitsStick(const std::string& prefix) {
  const bool refused = std::any_of(prefix.begin(), prefix.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || std::strchr("\"*:<>?\\|", c) != nullptr;
  });
  if (refused) Raise(ErrorKind::kPrefixNotOnStick);
}

void FillTaken(const std::vector<DirEntry>& entries, TakenNames* taken) {
  taken->Clear();
  taken->Reserve(entries.size() + 64);
  for (const DirEntry& entry : entries) taken->Add(entry.name);
}

// Files that a run cut short left in the holding folder go home first. One that
// cannot, since its name is taken meanwhile, would meet this run's files there.
void BringBackHeldFiles(Folder& folder) {
  const Recovery recovery = RecoverHeldFiles(folder);
  if (recovery.error) throw *recovery.error;
  if (!recovery.kept.empty()) Raise(ErrorKind::kHeldFilesRemain, HeldName(recovery.kept[0]));
}

// Starts the record of the run, before its first rename; none without a history.
std::unique_ptr<RunJournal> BeginRecord(RunHistory* history, const std::string& folder) {
  if (history == nullptr) return nullptr;
  SysError sys;
  std::unique_ptr<RunJournal> journal = history->Begin(folder, &sys);
  if (!journal) Raise(ErrorKind::kRecordUnwritable, sys.path, sys);
  return journal;
}

void RunShuffle(Runtime& runtime, ShuffleView& view, RunHistory* history,
                std::unique_ptr<RunJournal>* journal, ShuffleOutcome* outcome) {
  // Blanks around the filter are as invisible in the field as around the prefix.
  const std::string filter = TrimSpaces(view.FilterText());
  if (filter.empty()) Raise(ErrorKind::kEmptyFilter);
  SysError sys;
  outcome->record.folder = view.FolderPath();
  const std::unique_ptr<Folder> folder = runtime.OpenFolder(outcome->record.folder, &sys);
  if (!folder) Raise(ErrorKind::kFolderUnreadable, sys.path, sys);
  BringBackHeldFiles(*folder);
  const std::vector<DirEntry> entries = ListFolder(*folder);
  const std::vector<std::string> name_list = SelectPlainFiles(entries, WildcardPattern(filter));
  const int16_t file_count = CountFiles(name_list);
  outcome->total = file_count;

  CheckRange(runtime, view, file_count);
  const DrawSettings settings = CheckedSettings(runtime, view, name_list);
  const FolderTraits traits = folder->Traits(entries);
  if (traits.ordered_directory) CheckPrefixFitsStick(settings.prefix);
  TakenNames taken(settings.prefix, settings.range, settings.pad_width, traits.ignores_case);
  FillTaken(entries, &taken);
  NameDrawer drawer(runtime, taken, settings);

  struct DrawCount {  // keeps the count right on the error path too
    ShuffleOutcome* outcome;
    const NameDrawer& drawer;
    ~DrawCount() { outcome->draws = drawer.draws(); }
  } draw_count{outcome, drawer};

  if (file_count > 0) *journal = BeginRecord(history, outcome->record.folder);
  if (traits.ordered_directory && file_count > 0) {
    ShuffleInNameOrder(*folder, drawer, taken, settings.range, name_list, view, journal->get(),
                       outcome);
  } else {
    RenameInBatches(*folder, drawer, taken, name_list, view, journal->get(), outcome);
  }
  view.RefreshFileList();
}

// The run's end, in its record; a run that renamed nothing leaves none. Best
// effort: without it the record tells of a run that may have renamed more.
void EndRecord(RunHistory* history, RunJournal* journal, const ShuffleOutcome& outcome) {
  if (journal == nullptr) return;
  SysError sys;
  journal->End(&sys);
  if (outcome.renamed == 0) history->Discard(*journal);
}

ShuffleOutcome RecordedShuffle(Runtime& runtime, ShuffleView& view, RunHistory* history) {
  ShuffleOutcome outcome;
  std::unique_ptr<RunJournal> journal;
  outcome.error = CatchError([&] { RunShuffle(runtime, view, history, &journal, &outcome); });
  if (outcome.error) {
    outcome.error->renamed_before = outcome.renamed;
    outcome.error->total = outcome.total;
  }
  EndRecord(history, journal.get(), outcome);
  return outcome;
}

}  // namespace

ShuffleOutcome ShuffleFolder(Runtime& runtime, ShuffleView& view) {
  return RecordedShuffle(runtime, view, nullptr);
}

ShuffleOutcome ShuffleFolder(Runtime& runtime, ShuffleView& view, RunHistory& history) {
  return RecordedShuffle(runtime, view, &history);
}

}  // namespace vantrel
