// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/report_texts.h"

#include "runtime/text.h"

namespace vantrel::texts {
namespace {

std::string Files(int count) {
  return std::to_string(count) + (count == 1 ? " Datei" : " Dateien");
}

std::string RaisedRange(const std::string& raised_range) {
  if (raised_range.empty()) return {};
  return " \"Mix bis\" wurde auf " + raised_range + " erhöht, eins über der Zahl der Dateien.";
}

}  // namespace

std::string UnfinishedRunReport(size_t files, const std::string& undo) {
  const std::string start = "Der letzte Lauf in diesem Ordner wurde nicht beendet: ";
  if (files == 1) {
    return start + "Eine Datei trägt vielleicht schon einen neuen Namen. " + undo +
           " gibt ihr den alten zurück.";
  }
  return start + "Bis zu " + std::to_string(files) +
         " Dateien tragen vielleicht schon neue Namen. " + undo + " gibt ihnen die alten zurück.";
}

std::string FolderErrorReport(const SysError& error) {
  const ErrorKind kind = ErrorKind::kFolderUnreadable;
  return "Fehler " + std::to_string(static_cast<int>(kind)) + ": " + ErrorText(kind) +
         "\nOrdner: " + DisplayName(error.path) + "\nGrund: " + SystemReason(error.code) + " (" +
         error.call + ", errno " + std::to_string(error.code) + ")";
}

std::string ShuffleSummary(const ShuffleOutcome& outcome, const std::string& raised_range) {
  if (outcome.total == 0) return "Keine Datei passt zum Filter; nichts wurde umbenannt.";
  if (outcome.stopped) {
    return "Abgebrochen: " + std::to_string(outcome.renamed) + " von " + Files(outcome.total) +
           " umbenannt, die übrigen tragen ihre alten Namen.";
  }
  return Files(outcome.renamed) + " umbenannt." + RaisedRange(raised_range);
}

std::string DryRunSummary(const ShuffleOutcome& outcome, const std::string& raised_range) {
  return "Probelauf: " + Files(outcome.total) +
         " würden umbenannt; nichts wurde umbenannt. Ein echter Lauf zieht die Namen neu." +
         RaisedRange(raised_range);
}

std::string UndoSummary(const UndoOutcome& outcome) {
  return "Rückgängig gemacht: " + std::to_string(outcome.restored) + " von " +
         Files(outcome.total) + " tragen wieder ihren alten Namen.";
}

std::string NothingToUndo(const std::string& path) {
  return "Für den Ordner " + DisplayName(path) +
         " ist kein Lauf aufgezeichnet, der sich rückgängig machen ließe.";
}

std::string ProgressReport(int done, int total) {
  const int percent = total > 0 ? static_cast<int>(int64_t{done} * 100 / total) : 100;
  return std::to_string(done) + " von " + Files(total) + " (" + std::to_string(percent) + " %)";
}

}  // namespace vantrel::texts
