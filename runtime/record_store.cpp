// SPDX-License-Identifier: GPL-3.0-or-later
#include "runtime/record_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

namespace vantrel {
namespace {

bool Fail(SysError* err, const char* call, const std::string& path) {
  *err = SysError{call, path, errno};
  return false;
}

// Creates `path` and the folders above it, each 0700 as a folder of private state
// should be; existing ones stay as they are.
bool MakeFolders(const std::string& path, SysError* err) {
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return Fail(err, "mkdir", part);
    if (slash == std::string::npos) break;
  }
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return Fail(err, "stat", path);
  if (!S_ISDIR(info.st_mode)) {
    errno = ENOTDIR;
    return Fail(err, "mkdir", path);
  }
  return true;
}

class PosixRecordWriter : public RecordWriter {
 public:
  PosixRecordWriter(int fd, std::string path, std::string folder)
      : fd_(fd), path_(std::move(path)), folder_(std::move(folder)) {}
  ~PosixRecordWriter() override { close(fd_); }
  PosixRecordWriter(const PosixRecordWriter&) = delete;
  PosixRecordWriter& operator=(const PosixRecordWriter&) = delete;

  bool Append(std::string_view bytes, SysError* err) override {
    while (!bytes.empty()) {
      const ssize_t written = write(fd_, bytes.data(), bytes.size());
      if (written < 0 && errno == EINTR) continue;
      if (written < 0) return Fail(err, "write", path_);
      if (written == 0) {
        errno = ENOSPC;
        return Fail(err, "write", path_);
      }
      bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
  }

  bool Sync(SysError* err) override {
    if (fdatasync(fd_) != 0) return Fail(err, "fdatasync", path_);
    if (folder_.empty()) return true;
    // A new file's entry in its folder is durable only once the folder is synced.
    const int dir_fd = open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd < 0) return Fail(err, "open", folder_);
    const bool synced = fsync(dir_fd) == 0;
    if (!synced) Fail(err, "fsync", folder_);
    close(dir_fd);
    if (synced) folder_.clear();
    return synced;
  }

 private:
  int fd_;
  std::string path_;
  std::string folder_;  // still to sync; empty once done
};

}  // namespace

std::string FolderIdentity::Key() const {
  return fs_uuid.empty() ? PathKey() : "uuid:" + fs_uuid + ":" + inner_path;
}

std::string FolderIdentity::PathKey() const { return "path:" + absolute_path; }

std::string DefaultStateFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state != nullptr && state[0] == '/') return std::string(state) + "/vantrel";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.local/state/vantrel";
}

PosixRecordStore::PosixRecordStore(std::string state_folder, IdentitySources sources)
    : folder_(std::move(state_folder)), sources_(std::move(sources)) {}

FolderIdentity PosixRecordStore::Identify(const std::string& path) {
  return IdentifyFolder(path, sources_);
}

std::unique_ptr<RecordWriter> PosixRecordStore::Create(const std::string& name, SysError* err) {
  if (!MakeFolders(folder_, err)) return nullptr;
  const std::string path = folder_ + "/" + name;
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) {
    Fail(err, "open", path);
    return nullptr;
  }
  return std::make_unique<PosixRecordWriter>(fd, path, folder_);
}

std::unique_ptr<RecordWriter> PosixRecordStore::Reopen(const std::string& name, SysError* err) {
  const std::string path = folder_ + "/" + name;
  const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) {
    Fail(err, "open", path);
    return nullptr;
  }
  return std::make_unique<PosixRecordWriter>(fd, path, std::string());
}

bool PosixRecordStore::List(std::vector<std::string>* names, SysError* err) {
  names->clear();
  DIR* dir = opendir(folder_.c_str());
  if (dir == nullptr) return errno == ENOENT || Fail(err, "opendir", folder_);
  errno = 0;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_name[0] != '.') names->emplace_back(entry->d_name);
  }
  const bool read_all = errno == 0;
  if (!read_all) Fail(err, "readdir", folder_);
  closedir(dir);
  return read_all;
}

bool PosixRecordStore::Read(const std::string& name, std::string* bytes, SysError* err) {
  const std::string path = folder_ + "/" + name;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Fail(err, "open", path);
  bytes->clear();
  char buffer[65536];
  ssize_t got = 0;
  while ((got = read(fd, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR)) {
    if (got > 0) bytes->append(buffer, static_cast<size_t>(got));
  }
  const bool read_all = got == 0;
  if (!read_all) Fail(err, "read", path);
  close(fd);
  return read_all;
}

bool PosixRecordStore::Remove(const std::string& name, SysError* err) {
  const std::string path = folder_ + "/" + name;
  return unlink(path.c_str()) == 0 || Fail(err, "unlink", path);
}

int64_t PosixRecordStore::NowMicros() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return int64_t{now.tv_sec} * 1000000 + now.tv_nsec / 1000;
}

}  // namespace vantrel
