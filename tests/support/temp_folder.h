// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace vantrel::testing {

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
  void AddFolder(const std::string& name);
  void AddSymlink(const std::string& name, const std::string& target);

  /// Names of all entries, sorted bytewise.
  std::vector<std::string> Names() const;
  /// Content of every regular file (links followed), by name.
  std::map<std::string, std::string> Contents() const;
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const;

 private:
  std::string path_;
};

/// The contents of a Contents() map, each as often as a file holds it.
std::multiset<std::string> ContentSet(const std::map<std::string, std::string>& contents);

}  // namespace vantrel::testing
