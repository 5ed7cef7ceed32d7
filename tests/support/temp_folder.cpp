// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/temp_folder.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vantrel::testing {

TempFolder::TempFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
                        "/vantrel-test-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void TempFolder::AddFile(const std::string& name, const std::string& content) {
  std::ofstream out(PathOf(name), std::ios::binary);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + name);
}

void TempFolder::AddFolder(const std::string& name) {
  if (mkdir(PathOf(name).c_str(), 0755) != 0) throw std::runtime_error("mkdir " + name);
}

void TempFolder::AddSymlink(const std::string& name, const std::string& target) {
  if (symlink(target.c_str(), PathOf(name).c_str()) != 0) {
    throw std::runtime_error("symlink " + name);
  }
}

std::vector<std::string> TempFolder::Names() const {
  std::vector<std::string> names;
  DIR* dir = opendir(path_.c_str());
  if (dir == nullptr) throw std::runtime_error("opendir " + path_);
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

std::map<std::string, std::string> TempFolder::Contents() const {
  std::map<std::string, std::string> contents;
  for (const std::string& name : Names()) {
    struct stat info {};
    if (stat(PathOf(name).c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
      contents[name] = Read(name);
    }
  }
  return contents;
}

std::string TempFolder::Read(const std::string& name) const {
  std::ifstream in(PathOf(name), std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool TempFolder::Exists(const std::string& name) const {
  struct stat info {};
  return lstat(PathOf(name).c_str(), &info) == 0;
}

std::multiset<std::string> ContentSet(const std::map<std::string, std::string>& contents) {
  std::multiset<std::string> set;
  for (const auto& entry : contents) set.insert(entry.second);
  return set;
}

}  // namespace vantrel::testing
