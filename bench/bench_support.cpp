// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/bench_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <vector>

namespace vantrel::bench {

std::string MakeFolder(const std::string& base, int files, const char* format) {
  std::string path = base + "/vantrel-bench-XXXXXX";
  if (mkdtemp(path.data()) == nullptr) {
    std::perror("mkdtemp");
    std::exit(1);
  }
  char name[32];
  for (int i = 0; i < files; ++i) {
    std::snprintf(name, sizeof name, format, i);
    const int fd = open((path + name).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0 || write(fd, name, 8) != 8) {
      std::perror("create");
      std::exit(1);
    }
    close(fd);
  }
  return path;
}

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Renames to names of the same kind as the shuffle's (a random order of the numbers
// 1..N+1, filled to the same width): the kernel's cost of a rename depends on the names.
double TimeFloor(const std::string& path, std::mt19937_64& generator) {
  const auto start = std::chrono::steady_clock::now();
  const int dir_fd = open(path.c_str(), O_RDONLY | O_DIRECTORY);
  DIR* dir = opendir(path.c_str());
  std::vector<std::string> names;
  while (const dirent* entry = readdir(dir)) {
    if (entry->d_type == DT_REG) names.emplace_back(entry->d_name);
  }
  closedir(dir);
  std::vector<int> numbers(names.size() + 1);
  std::iota(numbers.begin(), numbers.end(), 1);
  std::shuffle(numbers.begin(), numbers.end(), generator);
  const int width = static_cast<int>(std::to_string(numbers.size()).size());
  char fresh[32];
  for (size_t i = 0; i < names.size(); ++i) {
    std::snprintf(fresh, sizeof fresh, "%0*d.dat", width, numbers[i]);
    if (renameat2(dir_fd, names[i].c_str(), dir_fd, fresh, RENAME_NOREPLACE) != 0) {
      std::perror("renameat2");
      std::exit(1);
    }
  }
  close(dir_fd);
  return Seconds(start);
}

std::string UseStateFolderIn(const std::string& base) {
  const std::string folder = MakeFolder(base, 0);
  setenv("XDG_STATE_HOME", folder.c_str(), 1);
  return folder;
}

namespace {

class TimedWriter : public RecordWriter {
 public:
  TimedWriter(std::unique_ptr<RecordWriter> real, double* seconds, size_t* bytes)
      : real_(std::move(real)), seconds_(seconds), bytes_(bytes) {}
  bool Append(std::string_view bytes, SysError* err) override {
    const auto start = std::chrono::steady_clock::now();
    const bool done = real_->Append(bytes, err);
    *seconds_ += Seconds(start);
    *bytes_ += bytes.size();
    return done;
  }
  bool Sync(SysError* err) override {
    const auto start = std::chrono::steady_clock::now();
    const bool done = real_->Sync(err);
    *seconds_ += Seconds(start);
    return done;
  }

 private:
  std::unique_ptr<RecordWriter> real_;
  double* seconds_;
  size_t* bytes_;
};

}  // namespace

std::unique_ptr<RecordWriter> TimedRecordStore::Create(const std::string& name, SysError* err) {
  const auto start = std::chrono::steady_clock::now();
  std::unique_ptr<RecordWriter> real = PosixRecordStore::Create(name, err);
  seconds_ += Seconds(start);
  if (!real) return nullptr;
  return std::make_unique<TimedWriter>(std::move(real), &seconds_, &bytes_);
}

}  // namespace vantrel::bench
