// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace vantrel::testing {

/// Name -> content of every regular file directly in a folder.
using Snapshot = std::map<std::string, std::string>;

/// A fresh folder under $TMPDIR (or /tmp), removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string PathOf(const std::string& name) const { return path_ + "/" + name; }

  /// Writes a file; `content` defaults to the name, which makes contents unique.
  void AddFile(const std::string& name, const std::string& content);
  void AddFile(const std::string& name) { AddFile(name, "content of " + name); }
  /// Files stem1extension .. stem`count`extension.
  void AddFiles(int count, const std::string& stem, const std::string& extension);
  void AddFolder(const std::string& name);
  void AddSymlink(const std::string& name, const std::string& target);

  /// Names of all entries, sorted bytewise.
  std::vector<std::string> Names() const;
  /// Content of every regular file (links followed), by name.
  Snapshot Contents() const;
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const;

 private:
  std::string path_;
};

/// The contents of a Contents() map, each as often as a file holds it.
std::multiset<std::string> ContentSet(const Snapshot& contents);
/// Files of `before` found in `after` under the same name with the same content.
int KeptNames(const Snapshot& before, const Snapshot& after);
/// Content -> name, for unique contents.
std::map<std::string, std::string> NameByContent(const Snapshot& snapshot);

/// Creates `path` with `content`; refuses to replace anything. Throws on failure.
void WriteNewFile(const std::string& path, const std::string& content);

/// Creates files name_of(1) .. name_of(count) in `folder`, file i holding
/// ContentOf(i). Much faster than ofstream for tens of thousands of files.
void CreateFiles(const std::string& folder, int count,
                 const std::function<std::string(int)>& name_of);
std::string ContentOf(int i);
/// The name `format` (printf, with one int) gives `i`.
std::string Numbered(const char* format, int i);

/// Regular files only (links not followed): a rename must never turn a file
/// into something else.
Snapshot ReadFolder(const std::string& folder);
/// Entry names of any kind, without "." and "..", in the order the folder lists them.
std::vector<std::string> ListNames(const std::string& folder);
/// The whole of a file; empty when it cannot be read.
std::string ReadFile(const std::string& path);
/// Reads `fd` to its end; false on an error, with what came before it in `content`.
bool ReadAll(int fd, std::string* content);

/// Every content of `before` is found in exactly one file of `after`, and `after`
/// holds no content that `before` lacks. Contents of `before` must be unique.
::testing::AssertionResult SameContentsEachOnce(const Snapshot& before, const Snapshot& after);

}  // namespace vantrel::testing
