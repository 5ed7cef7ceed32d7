// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/shuffle_run.h"

namespace vantrel {

/// The bytes of a record of renames. A record is a run of entries, each framed as
/// its payload's length (4 bytes, little endian), the CRC-32 of the payload (4
/// bytes) and the payload, so that an entry cut off by a crash, or garbled, ends
/// the reading there. The first entry is the header; later ones plan renames, amend
/// a planned name, close the run or note what an undo gave back. Only whole entries
/// count, and an entry is written before the renames it covers.

/// Who a record belongs to: the folder's identity key and where the folder was.
struct RecordHeader {
  std::string folder_key;   // FolderIdentity::Key() of the folder when the run began
  std::string folder_path;  // its absolute path then, raw bytes
  int64_t started_us = 0;   // microseconds since the epoch
};

/// What a record says, its entries applied in order.
struct RecordContent {
  RecordHeader header;
  /// Renames planned, in the order they were to be done, each with the newest name
  /// an amendment gave it; those that a closing entry names as not done, or that
  /// keep their own name, are left out.
  std::vector<RenamedFile> files;
  /// The run came to its end (done, stopped or failed) and said so. A record
  /// without it is of a run that was killed: some of `files` may carry old names.
  bool finished = false;
  /// Bytes of the whole entries, where a writer that goes on appends.
  size_t whole_bytes = 0;
};

std::string EncodeHeader(const RecordHeader& header);
/// Plans `files` as entries `first_index` … of the run, before any of them is renamed.
std::string EncodePlan(size_t first_index, const std::vector<RenamedFile>& files);
/// Planned file `index` gets `new_name` instead, before that rename.
std::string EncodeAmendment(size_t index, const std::string& new_name);
/// The run ended; `not_done` are the planned indices that were never renamed.
std::string EncodeEnd(const std::vector<size_t>& not_done);
/// An undo left only the first `kept` files of the record to give back.
std::string EncodeKept(size_t kept);

/// Reads `bytes` up to their last whole entry; nullopt when not even the header is
/// whole or it is not ours.
std::optional<RecordContent> DecodeRecord(std::string_view bytes);

/// The CRC-32 (as zlib and PNG compute it) of `bytes`.
uint32_t Crc32(std::string_view bytes);

}  // namespace vantrel
