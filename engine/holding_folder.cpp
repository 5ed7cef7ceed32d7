// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/holding_folder.h"

#include <cerrno>
#include <memory>

#include "runtime/text.h"

namespace vantrel {
namespace {

std::string FilesText(int count) {
  return std::to_string(count) + (count == 1 ? " Datei" : " Dateien");
}

// A file or a link of that name is not ours to empty.
bool NoHoldingFolder(int code) { return code == ENOENT || code == ENOTDIR || code == ELOOP; }

}  // namespace

Recovery RecoverHeldFiles(Folder& folder) {
  Recovery recovery;
  std::vector<DirEntry> held;
  SysError sys;
  if (!folder.ReadSubfolderEntries(kHoldingFolder, &held, &sys)) {
    // No holding folder is the usual case; anything else the user must hear of.
    if (!NoHoldingFolder(sys.code)) {
      recovery.error = MakeError(ErrorKind::kFolderUnreadable, sys.path, sys);
    }
    return recovery;
  }
  recovery.found = true;
  for (const DirEntry& entry : held) {
    switch (folder.RenameNoReplace(HeldName(entry.name), entry.name, &sys)) {
      case RenameOutcome::kDone:
        ++recovery.restored;
        break;
      case RenameOutcome::kTaken:
        recovery.kept.push_back(entry.name);
        break;
      case RenameOutcome::kFailed:
        recovery.error = MakeError(ErrorKind::kFileService, sys.path, sys);
        return recovery;
    }
  }
  if (recovery.kept.empty() && !folder.RemoveSubfolder(kHoldingFolder, &sys)) {
    recovery.error = MakeError(ErrorKind::kFileService, sys.path, sys);
  }
  return recovery;
}

Recovery RecoverHeldFiles(Runtime& runtime, const std::string& path) {
  SysError sys;
  const std::unique_ptr<Folder> folder = runtime.OpenFolder(path, &sys);
  return folder ? RecoverHeldFiles(*folder) : Recovery{};
}

std::string HeldFilesText(int held) {
  return FilesText(held) + (held == 1 ? " liegt" : " liegen") + " noch im Ordner \"" +
         kHoldingFolder + "\". Vantrel holt sie zurück, sobald es diesen Ordner wieder öffnet.";
}

std::string DescribeRecovery(const Recovery& recovery) {
  if (!recovery.found) return {};
  std::string text = "Vantrel hat " + FilesText(recovery.restored) +
                     ", die ein unterbrochener Lauf im Ordner \"" + kHoldingFolder +
                     "\" gelassen hatte, unter ihren alten Namen zurückgeholt.";
  if (!recovery.kept.empty()) {
    text += "\nDort geblieben, weil ihr Name inzwischen vergeben ist (bitte von Hand zurückholen):";
    for (const std::string& name : recovery.kept) text += "\n" + DisplayName(name);
  }
  if (recovery.error) text += "\n" + DescribeCause(*recovery.error);
  return text;
}

}  // namespace vantrel
