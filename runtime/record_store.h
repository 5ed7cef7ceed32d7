// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/runtime.h"

namespace vantrel {

/// Where a folder lives, found so that the same folder of a stick that is mounted
/// elsewhere, or on another day, gives the same key.
struct FolderIdentity {
  std::string fs_uuid;        // as /dev/disk/by-uuid names the file system; empty: unknown
  std::string inner_path;     // the folder below the file system's root; set with fs_uuid
  std::string absolute_path;  // raw bytes, without symbolic links

  /// "uuid:<fs_uuid>:<inner_path>" when the UUID is known, else PathKey().
  std::string Key() const;
  /// "path:<absolute_path>".
  std::string PathKey() const;
};

/// Where the mounts and the file systems' UUIDs are looked up; tests point them
/// at folders of their own.
struct IdentitySources {
  std::string mountinfo = "/proc/self/mountinfo";
  std::string by_uuid = "/dev/disk/by-uuid";
};

/// The identity of the folder at `path`: the mount whose device holds it (by
/// major:minor, and for FUSE by the block device it was mounted from), that
/// device's link in `sources.by_uuid`, and the path below the mount's root. Only
/// the absolute path when no UUID is found; `path` itself when even that fails.
FolderIdentity IdentifyFolder(const std::string& path, const IdentitySources& sources = {});

/// One record file open for appending.
class RecordWriter {
 public:
  virtual ~RecordWriter() = default;
  /// Appends `bytes` at the end; a short write is a failure (ENOSPC when the disk is full).
  virtual bool Append(std::string_view bytes, SysError* err) = 0;
  /// Makes everything appended so far durable (fdatasync; the first time also the
  /// folder's entry of the file).
  virtual bool Sync(SysError* err) = 0;
};

/// The records of renames: files of one folder that only this user may read. Names
/// are plain ASCII without '/'.
class RecordStore {
 public:
  virtual ~RecordStore() = default;
  /// Identity of the folder at `path`, as IdentifyFolder finds it.
  virtual FolderIdentity Identify(const std::string& path) = 0;
  /// Creates the record `name` (mode 0600), and the state folder (0700) and its
  /// parents where missing. An existing record of that name is a failure (EEXIST).
  virtual std::unique_ptr<RecordWriter> Create(const std::string& name, SysError* err) = 0;
  /// Opens the existing record `name` for appending at its end.
  virtual std::unique_ptr<RecordWriter> Reopen(const std::string& name, SysError* err) = 0;
  /// Names of every record; none when the state folder does not exist.
  virtual bool List(std::vector<std::string>* names, SysError* err) = 0;
  virtual bool Read(const std::string& name, std::string* bytes, SysError* err) = 0;
  virtual bool Remove(const std::string& name, SysError* err) = 0;
  /// Microseconds since the epoch.
  virtual int64_t NowMicros() = 0;
  /// The state folder, raw bytes, for messages.
  virtual std::string Location() const = 0;
};

/// $XDG_STATE_HOME/vantrel when that is an absolute path, else
/// $HOME/.local/state/vantrel.
std::string DefaultStateFolder();

/// The record store on Linux, in `state_folder`.
class PosixRecordStore : public RecordStore {
 public:
  explicit PosixRecordStore(std::string state_folder = DefaultStateFolder(),
                            IdentitySources sources = {});

  FolderIdentity Identify(const std::string& path) override;
  std::unique_ptr<RecordWriter> Create(const std::string& name, SysError* err) override;
  std::unique_ptr<RecordWriter> Reopen(const std::string& name, SysError* err) override;
  bool List(std::vector<std::string>* names, SysError* err) override;
  bool Read(const std::string& name, std::string* bytes, SysError* err) override;
  bool Remove(const std::string& name, SysError* err) override;
  int64_t NowMicros() override;
  std::string Location() const override { return folder_; }

 private:
  std::string folder_;
  IdentitySources sources_;
};

}  // namespace vantrel
