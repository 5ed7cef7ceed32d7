// SPDX-License-Identifier: GPL-3.0-or-later
#include "runtime/folder_path.h"

#include <QCollator>
#include <QLocale>
#include <QString>
#include <algorithm>
#include <numeric>

#include "runtime/text.h"

namespace vantrel {

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

bool PathIsWithin(const std::string& path, const std::string& root) {
  if (path.compare(0, root.size(), root) != 0) return false;
  if (path.size() == root.size()) return true;
  return root.back() == '/' || path[root.size()] == '/';
}

std::vector<std::string> FoldersFromRoot(const std::string& root, const std::string& path) {
  if (root.empty() || !PathIsWithin(path, root)) return {path};
  std::vector<std::string> folders{root};
  size_t end = root.size();
  while (end < path.size()) {
    const size_t next = path.find('/', end + 1);
    end = next == std::string::npos ? path.size() : next;
    // Skips the empty part between the root "/" and the first name.
    if (end > 1 && path[end - 1] != '/') folders.push_back(path.substr(0, end));
  }
  return folders;
}

std::string LastPart(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos || path.size() == 1) return path;
  return path.substr(slash + 1);
}

void SortByName(std::vector<std::string>* names) {
  // The program speaks German, so the list sorts as German does whatever the
  // environment's locale: "Äpfel" next to "Apfel", not after "Zwiebel".
  QCollator collator{QLocale(QLocale::German, QLocale::Germany)};
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::vector<QCollatorSortKey> keys;
  keys.reserve(names->size());
  for (const std::string& name : *names) {
    keys.push_back(collator.sortKey(QString::fromStdString(DisplayName(name))));
  }
  std::vector<size_t> order(names->size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    const int by_text = keys[a].compare(keys[b]);
    return by_text != 0 ? by_text < 0 : (*names)[a] < (*names)[b];
  });
  std::vector<std::string> sorted;
  sorted.reserve(names->size());
  for (size_t index : order) sorted.push_back(std::move((*names)[index]));
  *names = std::move(sorted);
}

}  // namespace vantrel
