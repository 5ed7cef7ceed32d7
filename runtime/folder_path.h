// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace vantrel {

// Folder paths here are absolute, raw bytes, with "/" as separator and no trailing
// "/" except for the root itself.

/// `folder` + "/" + `name`, without doubling the separator at the root.
std::string JoinPath(const std::string& folder, const std::string& name);

/// True when `path` is `root` or lies below it; "/a/bc" does not lie below "/a/b".
bool PathIsWithin(const std::string& path, const std::string& root);

/// The folders from `root` down to `path`, both included, each as a full path.
/// Just {path} when `path` does not lie within `root`.
std::vector<std::string> FoldersFromRoot(const std::string& root, const std::string& path);

/// The last part of `path`: "c" for "/a/b/c", "/" for the root.
std::string LastPart(const std::string& path);

/// Sorts bare names the way a German user reads a list: letters regardless of case
/// and accents, then byte order to keep names apart that look alike.
void SortByName(std::vector<std::string>* names);

}  // namespace vantrel
