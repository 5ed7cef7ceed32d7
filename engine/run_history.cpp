// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/run_history.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <map>

namespace vantrel {
namespace {

constexpr char kSuffix[] = ".run";
constexpr size_t kHashDigits = 16;
constexpr size_t kTimeDigits = 20;

// Records are named "<hash of the folder's key>-<start in microseconds>.run", so
// that a folder's records are found, and aged, from their names alone. The header
// holds the whole key, which settles a clash of hashes.
std::string KeyHash(const std::string& key) {
  uint64_t hash = 14695981039346656037u;  // FNV-1a
  for (const char byte : key) hash = (hash ^ static_cast<unsigned char>(byte)) * 1099511628211u;
  char text[kHashDigits + 1];
  std::snprintf(text, sizeof text, "%016" PRIx64, hash);
  return text;
}

std::string RecordName(const std::string& key, int64_t started_us) {
  char time[kTimeDigits + 1];
  std::snprintf(time, sizeof time, "%020" PRId64, started_us);
  return KeyHash(key) + "-" + time + kSuffix;
}

struct NameParts {
  std::string hash;
  int64_t started_us = 0;
};

std::optional<NameParts> SplitName(const std::string& name) {
  constexpr size_t kLength = kHashDigits + 1 + kTimeDigits + sizeof kSuffix - 1;
  if (name.size() != kLength || name[kHashDigits] != '-' || !name.ends_with(kSuffix)) {
    return std::nullopt;
  }
  const std::string time = name.substr(kHashDigits + 1, kTimeDigits);
  if (time.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  return NameParts{name.substr(0, kHashDigits), std::stoll(time)};
}

}  // namespace

RunJournal::RunJournal(std::unique_ptr<RecordWriter> writer, std::string name)
    : writer_(std::move(writer)), name_(std::move(name)) {}

bool RunJournal::Write(const std::string& entry, SysError* err) {
  return writer_->Append(entry, err) && writer_->Sync(err);
}

bool RunJournal::Plan(const std::vector<RenamedFile>& files, SysError* err) {
  if (!Write(EncodePlan(planned_, files), err)) return false;
  planned_ += files.size();
  done_.resize(planned_, false);
  return true;
}

bool RunJournal::Amend(size_t index, const std::string& new_name, SysError* err) {
  return Write(EncodeAmendment(index, new_name), err);
}

void RunJournal::Done(size_t index) {
  if (index < done_.size()) done_[index] = true;
}

bool RunJournal::End(SysError* err) {
  std::vector<size_t> not_done;
  for (size_t i = 0; i < done_.size(); ++i) {
    if (!done_[i]) not_done.push_back(i);
  }
  return Write(EncodeEnd(not_done), err);
}

std::unique_ptr<RunJournal> RunHistory::Begin(const std::string& path, SysError* err) {
  const FolderIdentity identity = store_.Identify(path);
  RecordHeader header{identity.Key(), identity.absolute_path, store_.NowMicros()};
  std::unique_ptr<RecordWriter> writer;
  std::string name;
  // Two runs that start in one microsecond take the next free one.
  for (int attempt = 0; attempt < 100 && !writer; ++attempt) {
    name = RecordName(header.folder_key, header.started_us + attempt);
    writer = store_.Create(name, err);
    if (!writer && err->code != EEXIST) return nullptr;
  }
  // Durable before the run moves any file, so that a record that cannot be written
  // stops the run while every file still has its name.
  if (!writer || !writer->Append(EncodeHeader(header), err) || !writer->Sync(err)) {
    SysError ignored;
    if (writer) store_.Remove(name, &ignored);
    return nullptr;
  }
  Prune();
  return std::make_unique<RunJournal>(std::move(writer), std::move(name));
}

std::optional<StoredRun> RunHistory::Newest(const std::string& path, SysError* err) {
  const FolderIdentity identity = store_.Identify(path);
  const std::string key = identity.Key();
  const std::string path_key = identity.PathKey();
  std::vector<std::string> names;
  if (!store_.List(&names, err)) return std::nullopt;
  // A record made while the file system's UUID could not be found has the path's key.
  std::vector<std::pair<int64_t, std::string>> runs;
  for (const std::string& name : names) {
    const std::optional<NameParts> parts = SplitName(name);
    if (parts && (parts->hash == KeyHash(key) || parts->hash == KeyHash(path_key))) {
      runs.emplace_back(parts->started_us, name);
    }
  }
  std::sort(runs.rbegin(), runs.rend());
  for (const auto& [started_us, name] : runs) {
    std::string bytes;
    SysError unread;
    if (!store_.Read(name, &bytes, &unread)) continue;
    std::optional<RecordContent> content = DecodeRecord(bytes);
    if (!content || content->files.empty()) continue;
    if (content->header.folder_key != key && content->header.folder_key != path_key) continue;
    return StoredRun{name, std::move(*content)};
  }
  return std::nullopt;
}

bool RunHistory::Settle(const StoredRun& run, size_t kept, SysError* err) {
  if (kept == 0) return store_.Remove(run.name, err) || err->code == ENOENT;
  std::unique_ptr<RecordWriter> writer = store_.Reopen(run.name, err);
  return writer && writer->Append(EncodeKept(kept), err) && writer->Sync(err);
}

void RunHistory::Discard(const RunJournal& journal) {
  SysError err;
  store_.Remove(journal.name(), &err);
}

void RunHistory::Prune() {
  std::vector<std::string> names;
  SysError err;
  if (!store_.List(&names, &err)) return;
  std::map<std::string, std::vector<std::pair<int64_t, std::string>>> by_folder;
  for (const std::string& name : names) {
    if (const std::optional<NameParts> parts = SplitName(name)) {
      by_folder[parts->hash].emplace_back(parts->started_us, name);
    }
  }
  const int64_t oldest_kept = store_.NowMicros() - kRecordLifetimeUs;
  for (auto& [hash, runs] : by_folder) {
    std::sort(runs.rbegin(), runs.rend());
    for (size_t i = 0; i < runs.size(); ++i) {
      if (i >= kRunsKeptPerFolder || runs[i].first < oldest_kept)
        store_.Remove(runs[i].second, &err);
    }
  }
}

}  // namespace vantrel
