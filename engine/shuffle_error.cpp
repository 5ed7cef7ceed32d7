// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/shuffle_error.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "engine/holding_folder.h"
#include "runtime/text.h"

namespace vantrel {

ShuffleError MakeError(ErrorKind kind, const std::string& file, const std::string& call,
                       int sys_code) {
  ShuffleError error;
  error.kind = kind;
  error.file = file;
  error.call = call;
  error.sys_code = sys_code;
  return error;
}

ShuffleError MakeError(ErrorKind kind, const std::string& file, const SysError& sys) {
  return MakeError(kind, file, sys.call, sys.code);
}

void RaiseError(ErrorKind kind, const std::string& file, const std::string& call, int sys_code) {
  throw MakeError(kind, file, call, sys_code);
}

std::optional<ShuffleError> CatchError(const std::function<void()>& work) {
  try {
    work();
  } catch (const ShuffleError& error) {
    return error;
  } catch (const std::bad_alloc&) {
    return MakeError(ErrorKind::kRenameFailed, {}, "malloc", ENOMEM);
  }
  return std::nullopt;
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

}  // namespace vantrel
