// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "runtime/runtime.h"

namespace vantrel::texts {

// The window speaks German: its captions and the command line's texts are here, the
// reports on what a run did in report_texts.h.
inline constexpr char kWindowTitle[] = "Vantrel";
inline constexpr char kFilterCaption[] = "Filter:";
inline constexpr char kPrefixCaption[] = "fester Beginn:";
inline constexpr char kRangeCaption[] = "Mix bis:";
inline constexpr char kFilterDefault[] = "*.*";
inline constexpr char kRangeDefault[] = "999";
inline constexpr char kStart[] = "Start";
inline constexpr char kEnd[] = "Ende";
inline constexpr char kRenaming[] = "Dateien werden umbenannt …";
inline constexpr char kProgressCount[] = "%1 von %2 Dateien";
inline constexpr char kStop[] = "Abbrechen";
inline constexpr char kUndoLastRun[] = "Letzten Lauf rückgängig machen";
// What a screen reader calls the three lists, which have no label of their own.
inline constexpr char kDriveListName[] = "Laufwerk";
inline constexpr char kFolderListName[] = "Ordner";
inline constexpr char kFileListName[] = "Dateien";

inline constexpr char kUsage[] =
    "Aufruf: vantrel [ORDNER]\n"
    "        vantrel --shuffle [--filter MUSTER] [--prefix TEXT] [--range ZAHL]\n"
    "                [--dry-run] ORDNER\n"
    "        vantrel --undo ORDNER\n"
    "        vantrel --help | --version\n"
    "\n"
    "Gibt den passenden Dateien eines Ordners neue Zufallsnamen, damit sie in einer\n"
    "neuen Reihenfolge kommen. Ohne --shuffle und --undo öffnet das Fenster auf\n"
    "ORDNER, der auch als file://-Adresse kommen darf; ohne ORDNER auf dem aktuellen\n"
    "Ordner.\n"
    "\n"
    "  --shuffle        die Dateien von ORDNER ohne Fenster umbenennen, wie \"Start\"\n"
    "  --filter MUSTER  welche Dateien, mit * und ? (Vorgabe: *.*)\n"
    "  --prefix TEXT    der feste Beginn jedes neuen Namens (Vorgabe: leer)\n"
    "  --range ZAHL     \"Mix bis\": die höchste Zahl; ihre Länge gibt die\n"
    "                   führenden Nullen (Vorgabe: 999)\n"
    "  --dry-run        nur zeigen, welchen Namen jede Datei bekommen könnte, und\n"
    "                   nichts umbenennen; ein echter Lauf zieht die Namen neu\n"
    "  --undo           den letzten aufgezeichneten Lauf in ORDNER rückgängig\n"
    "                   machen, wie Strg+Z im Fenster\n"
    "  -h, --help       diese Hilfe zeigen\n"
    "  -v, --version    die Version zeigen\n"
    "\n"
    "Exit-Status: 0 erledigt, 1 Fehler (die Meldung steht auf der\n"
    "Standardfehlerausgabe), 2 falscher Aufruf, 130 und 143 nach SIGINT und SIGTERM.\n";
inline constexpr char kUnknownOption[] = "unbekannte Option: %1";
inline constexpr char kOneFolderOnly[] = "nur ein ORDNER ist möglich";
inline constexpr char kValueMissing[] = "--%1 braucht einen Wert";
inline constexpr char kNoValueTaken[] = "--%1 nimmt keinen Wert";
inline constexpr char kShuffleOrUndo[] = "--shuffle und --undo gehen nicht zusammen";
inline constexpr char kOnlyWithShuffle[] = "--%1 gilt nur mit --shuffle";
inline constexpr char kFolderMissing[] = "--%1 braucht einen ORDNER";

/// The notice on a folder whose newest run never finished: how many files may
/// carry new names, and that Ctrl+Z gives them back.
QString UnfinishedRunText(size_t files);

/// The report for a drive or folder that cannot be opened, in the form of the
/// engine's reports: number and text, the folder, the system's reason.
QString FolderErrorText(const SysError& error);

}  // namespace vantrel::texts
