// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cerrno>
#include <memory>
#include <string>

#include "runtime/record_store.h"

namespace vantrel::testing {

/// Records in a real folder, with what a real folder cannot do on demand: a
/// chosen errno for creating, writing or syncing a record (CI runs as root, so a
/// refusal has to come from here), and a clock set back or forth.
class FakeRecordStore : public PosixRecordStore {
 public:
  explicit FakeRecordStore(std::string folder) : PosixRecordStore(std::move(folder)) {}

  int create_error = 0;  // errno; 0: none
  int write_error = 0;
  int sync_error = 0;
  int writes_before_error = 0;  // calls of the refused kind that succeed before it applies
  int64_t clock_shift_us = 0;

  std::unique_ptr<RecordWriter> Create(const std::string& name, SysError* err) override {
    if (create_error != 0) {
      *err = SysError{"open", Location() + "/" + name, create_error};
      return nullptr;
    }
    std::unique_ptr<RecordWriter> real = PosixRecordStore::Create(name, err);
    return real ? std::make_unique<Writer>(std::move(real), this) : nullptr;
  }
  int64_t NowMicros() override { return PosixRecordStore::NowMicros() + clock_shift_us; }

 private:
  class Writer : public RecordWriter {
   public:
    Writer(std::unique_ptr<RecordWriter> real, FakeRecordStore* store)
        : real_(std::move(real)), store_(store) {}
    bool Append(std::string_view bytes, SysError* err) override {
      return !Refused(store_->write_error, "write", err) && real_->Append(bytes, err);
    }
    bool Sync(SysError* err) override {
      return !Refused(store_->sync_error, "fdatasync", err) && real_->Sync(err);
    }

   private:
    bool Refused(int code, const char* call, SysError* err) {
      if (code == 0 || store_->writes_before_error-- > 0) return false;
      *err = SysError{call, store_->Location(), code};
      return true;
    }
    std::unique_ptr<RecordWriter> real_;
    FakeRecordStore* store_;
  };
};

}  // namespace vantrel::testing
