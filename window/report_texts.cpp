// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/report_texts.h"

#include <cerrno>
#include <cstring>

#include "runtime/text.h"

namespace vantrel {
namespace {

// A longer list would not fit on the screen; the counts still cover every file.
constexpr size_t kListedSkips = 20;

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

std::string ErrorText(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::kTooManyFiles:
      return "Überlauf: Der Ordner enthält mehr als 32767 passende Dateien.";
    case ErrorKind::kRangeNotANumber:
      return "Typen unverträglich: \"Mix bis\" ist keine Zahl.";
    case ErrorKind::kNameTooShort:
      return "Ungültiges Argument: Der Dateiname ist kürzer als vier Zeichen.";
    case ErrorKind::kRenameFailed:
      return "Die Datei konnte nicht umbenannt werden.";
    case ErrorKind::kFolderUnreadable:
      return "Der Ordner kann nicht gelesen werden.";
    case ErrorKind::kRecordUnwritable:
      return "Die Aufzeichnung der Umbenennungen kann nicht geschrieben werden. Ohne sie "
             "ließe sich der Lauf nicht rückgängig machen, daher hält er vor der nächsten "
             "Umbenennung an. Bitte den Grund beheben und erneut starten.";
    case ErrorKind::kRecordUnreadable:
      return "Die Aufzeichnung der Umbenennungen kann nicht gelesen werden.";
    case ErrorKind::kNoFreeName:
      return "Kein freier Name mehr: Alle Nummern bis \"Mix bis\" sind mit diesem Beginn und "
             "dieser Endung schon vergeben. Bitte \"Mix bis\" erhöhen.";
    case ErrorKind::kPrefixBadCharacter:
      return "\"fester Beginn\" darf kein \"/\" und kein Nullzeichen enthalten, sonst würden "
             "Dateien in einen anderen Ordner verschoben.";
    case ErrorKind::kPrefixWithDot:
      return "\"fester Beginn\" darf nicht mit \".\" anfangen, sonst würden alle Dateien "
             "versteckt.";
    case ErrorKind::kRangeTooLarge:
      return "\"Mix bis\" ist zu groß: höchstens 15 Stellen.";
    case ErrorKind::kNameTooLong:
      return "Die neuen Namen wären zu lang für das Dateisystem (höchstens 255 Bytes).";
    case ErrorKind::kEmptyFilter:
      return "Der Filter ist leer. Für alle Dateien bitte *.* eingeben.";
    case ErrorKind::kHeldFilesRemain:
      return std::string("Im Ordner \"") + kHoldingFolder +
             "\" liegen noch Dateien eines unterbrochenen Laufs, deren alter Name inzwischen "
             "vergeben ist. Bitte diese Dateien zuerst von Hand zurückholen.";
    case ErrorKind::kPrefixNotOnStick:
      return "\"fester Beginn\" enthält ein Zeichen, das FAT und exFAT (USB-Sticks, "
             "Speicherkarten) in Dateinamen nicht erlauben: ein Steuerzeichen wie den "
             "Tabulator oder eines von \" * : < > ? \\ |.";
    case ErrorKind::kNewNameGone:
      return "Keine Datei trägt mehr den neuen Namen (umbenannt oder gelöscht).";
    case ErrorKind::kOldNameTaken:
      return "Der alte Name ist inzwischen vergeben.";
  }
  return "Unbekannter Fehler.";
}

std::string SystemReason(int code) {
  switch (code) {
    case EACCES:
    case EPERM:
      return "Zugriff verweigert";
    case ENOENT:
      return "Datei oder Ordner nicht gefunden";
    case EEXIST:
      return "Name bereits vorhanden";
    case EROFS:
      return "Das Dateisystem ist schreibgeschützt";
    case ENOSPC:
      return "Kein Platz mehr auf dem Datenträger";
    case EIO:
      return "Ein-/Ausgabefehler des Datenträgers";
    case ENAMETOOLONG:
      return "Name zu lang";
    case EINVAL:
      return "Ungültiger Name für dieses Dateisystem";
    case EBUSY:
      return "Datei oder Ordner ist belegt";
    case ENOTDIR:
      return "Kein Ordner";
    case EISDIR:
      return "Ist ein Ordner";
    case ELOOP:
      return "Zu viele symbolische Verknüpfungen";
    case EMFILE:
    case ENFILE:
      return "Zu viele offene Dateien";
    case ENOMEM:
      return "Nicht genug Speicher";
    case ENODEV:
    case ENXIO:
      return "Gerät nicht vorhanden (Datenträger entfernt?)";
    case EXDEV:
      return "Verschieben zwischen Dateisystemen nicht möglich";
    case EILSEQ:
      return "Zeichen im Namen vom Dateisystem nicht unterstützt";
    default:
      return std::strerror(code);
  }
}

std::string DescribeCause(const ShuffleError& error) {
  std::string text = "Fehler " + std::to_string(error.number()) + ": " + ErrorText(error.kind);
  if (!error.file.empty()) text += "\nDatei: " + DisplayName(error.file);
  if (error.sys_code != 0) {
    text += "\nGrund: " + SystemReason(error.sys_code) + " (" + error.call + ", errno " +
            std::to_string(error.sys_code) + ")";
  }
  return text;
}

std::string DescribeError(const ShuffleError& error) {
  std::string text = DescribeCause(error);
  text += "\nBereits umbenannt: " + std::to_string(error.renamed_before) + " von " +
          std::to_string(error.total) + " Dateien.";
  if (error.held > 0) {
    text += "\n" + HeldFilesText(error.held);
  } else if (error.renamed_before == 0) {
    text += " Es wurde nichts verändert.";
  }
  return text;
}

std::string DescribeUndo(const UndoOutcome& outcome) {
  if (outcome.skipped.empty() && !outcome.error && outcome.held == 0) return {};
  const std::string of_total = " von " + std::to_string(outcome.total) + " Dateien";
  std::string text = "Letzten Lauf rückgängig machen: " + std::to_string(outcome.restored) +
                     of_total + " zurückbenannt.";
  if (!outcome.skipped.empty()) text += "\nÜbersprungen, unverändert:";
  for (size_t i = 0; i < outcome.skipped.size() && i < kListedSkips; ++i) {
    const SkippedFile& skipped = outcome.skipped[i];
    text += "\n" + DisplayName(skipped.file.new_name) + " → " + DisplayName(skipped.file.old_name) +
            ": " + ErrorText(skipped.reason);
  }
  if (outcome.skipped.size() > kListedSkips) {
    text += "\n… und " + std::to_string(outcome.skipped.size() - kListedSkips) + " weitere.";
  }
  if (outcome.error) text += "\n" + DescribeCause(*outcome.error);
  if (outcome.held > 0) text += "\n" + HeldFilesText(outcome.held);
  if (outcome.left() > 0) {
    text += "\nNoch offen: " + std::to_string(outcome.left()) + of_total +
            "; ein weiteres Rückgängigmachen setzt dort fort.";
  }
  return text;
}

}  // namespace vantrel

namespace vantrel::texts {
namespace {

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
    return "Abgebrochen: " + std::to_string(outcome.renamed) + " von " + FilesText(outcome.total) +
           " umbenannt, die übrigen tragen ihre alten Namen.";
  }
  return FilesText(outcome.renamed) + " umbenannt." + RaisedRange(raised_range);
}

std::string DryRunSummary(const ShuffleOutcome& outcome, const std::string& raised_range) {
  return "Probelauf: " + FilesText(outcome.total) +
         " würden umbenannt; nichts wurde umbenannt. Ein echter Lauf zieht die Namen neu." +
         RaisedRange(raised_range);
}

std::string UndoSummary(const UndoOutcome& outcome) {
  return "Rückgängig gemacht: " + std::to_string(outcome.restored) + " von " +
         FilesText(outcome.total) + " tragen wieder ihren alten Namen.";
}

std::string NothingToUndo(const std::string& path) {
  return "Für den Ordner " + DisplayName(path) +
         " ist kein Lauf aufgezeichnet, der sich rückgängig machen ließe.";
}

std::string ProgressReport(int done, int total) {
  const int percent = total > 0 ? static_cast<int>(int64_t{done} * 100 / total) : 100;
  return std::to_string(done) + " von " + FilesText(total) + " (" + std::to_string(percent) + " %)";
}

}  // namespace vantrel::texts
