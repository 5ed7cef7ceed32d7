// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

#include "runtime/drives.h"

namespace vantrel {

/// Whether the file system behind the open folder `dir_fd` is FAT or exFAT, through
/// the kernel or through FUSE. Players that ignore names play such a folder in the
/// order its entries stand, and a new entry takes the first free slots of the
/// directory. Found with statfs and, for FUSE, the mount table.
bool IsFatFamily(int dir_fd);

/// Whether a FUSE mount serves FAT or exFAT, from its type ("fuse.fusefat") or, for
/// a block device mounted without a subtype ("fuseblk"), from `boot_sector`, the
/// first 512 bytes of its source (empty when they cannot be read).
bool IsFatFamilyFuse(const MountEntry& mount, std::string_view boot_sector);

}  // namespace vantrel
