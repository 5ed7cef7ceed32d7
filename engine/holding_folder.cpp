// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/holding_folder.h"

#include "runtime/text.h"

namespace vantrel {
namespace {

std::string FilesText(int count) {
  return std::to_string(count) + (count == 1 ? " Datei" : " Dateien");
}

}  // namespace

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
