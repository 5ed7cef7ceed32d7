// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "runtime/runtime.h"

namespace vantrel::texts {

// The window speaks German; every text a user reads is here.
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
    "        vantrel --help | --version\n"
    "\n"
    "Gibt den passenden Dateien eines Ordners neue Zufallsnamen, damit sie in einer\n"
    "neuen Reihenfolge kommen. Das Fenster öffnet auf ORDNER, der auch als\n"
    "file://-Adresse kommen darf; ohne ORDNER auf dem aktuellen Ordner.\n"
    "\n"
    "  -h, --help     diese Hilfe zeigen\n"
    "  -v, --version  die Version zeigen\n";
inline constexpr char kUnknownOption[] = "unbekannte Option: %1";
inline constexpr char kOneFolderOnly[] = "nur ein ORDNER ist möglich";

/// The notice on a folder whose newest run never finished: how many files may
/// carry new names, and that Ctrl+Z gives them back.
QString UnfinishedRunText(size_t files);

/// The report for a drive or folder that cannot be opened, in the form of the
/// engine's reports: number and text, the folder, the system's reason.
QString FolderErrorText(const SysError& error);

}  // namespace vantrel::texts
