// SPDX-License-Identifier: GPL-3.0-or-later
#include "runtime/folder_path.h"

#include <QCollator>
#include <QLocale>
#include <QString>
#include <algorithm>
#include <array>
#include <cstdint>
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

namespace {

// The program speaks German, so lists sort as German does whatever the environment's
// locale: "Äpfel" next to "Apfel", not after "Zwiebel".
QCollator GermanCollator() {
  QCollator collator{QLocale(QLocale::German, QLocale::Germany)};
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  return collator;
}

bool IsPrintableAscii(const std::string& name) {
  return std::all_of(name.begin(), name.end(), [](char c) { return c >= ' ' && c <= '~'; });
}

// Where every name is printable ASCII, the collator orders names character by
// character with no character ignored or joined to the next, so one rank per
// character, taken from the collator itself, gives its order without its costly
// sort keys. A letter shares its rank with the other case; names alike but for case
// keep byte order.
class AsciiOrder {
 public:
  explicit AsciiOrder(const QCollator& collator) {
    std::array<char, kCount> chars{};
    std::iota(chars.begin(), chars.end(), ' ');
    const auto compare = [&](char a, char b) {
      return collator.compare(QString(QChar::fromLatin1(a)), QString(QChar::fromLatin1(b)));
    };
    std::stable_sort(chars.begin(), chars.end(), [&](char a, char b) { return compare(a, b) < 0; });
    unsigned char rank = 1;  // 0 stands for the end of a shorter name in Head()
    for (size_t i = 0; i < kCount; ++i) {
      if (i > 0 && compare(chars[i - 1], chars[i]) != 0) ++rank;
      ranks_[static_cast<unsigned char>(chars[i])] = rank;
    }
  }

  void Sort(std::vector<std::string>* names) const {
    // Most names differ within their first nine characters: sorting by those as one
    // number leaves the character-wise comparison to the few that do not.
    std::vector<Keyed> keyed(names->size());
    for (size_t i = 0; i < names->size(); ++i) keyed[i] = {Head((*names)[i]), i};
    SortByHead(&keyed);
    // Names alike in their first nine characters sit together; only they need the
    // comparison of whole names.
    for (auto run = keyed.begin(); run != keyed.end();) {
      const auto end = std::find_if(run, keyed.end(),
                                    [&](const Keyed& entry) { return entry.head != run->head; });
      if (end - run > 1) {
        std::sort(run, end, [&](const Keyed& a, const Keyed& b) {
          return Less((*names)[a.index], (*names)[b.index]);
        });
      }
      run = end;
    }
    std::vector<std::string> sorted;
    sorted.reserve(names->size());
    for (const Keyed& entry : keyed) sorted.push_back(std::move((*names)[entry.index]));
    *names = std::move(sorted);
  }

 private:
  static constexpr size_t kCount = '~' - ' ' + 1;
  static_assert(kCount < 128);

  unsigned char Rank(char c) const { return ranks_[static_cast<unsigned char>(c)]; }

  struct Keyed {
    uint64_t head;
    size_t index;
  };

  // A radix sort, a byte of the number at a time from the lowest: a folder's names
  // come in the file system's hash order, where a comparison sort mispredicts every
  // other branch, and this runs while the window waits for the listing at start-up.
  static void SortByHead(std::vector<Keyed>* keyed) {
    std::vector<Keyed> buffer(keyed->size());
    for (int shift = 0; shift < 64; shift += 8) {
      std::array<size_t, 257> starts{};
      for (const Keyed& entry : *keyed) ++starts[(entry.head >> shift & 0xff) + 1];
      // A byte that every name shares leaves the order as it is.
      if (std::find(starts.begin(), starts.end(), keyed->size()) != starts.end()) continue;
      std::partial_sum(starts.begin(), starts.end(), starts.begin());
      for (const Keyed& entry : *keyed) buffer[starts[entry.head >> shift & 0xff]++] = entry;
      keyed->swap(buffer);
    }
  }

  // Ranks fit in seven bits, so nine of them fit in one number.
  uint64_t Head(const std::string& name) const {
    uint64_t head = 0;
    for (size_t i = 0; i < 9; ++i) head = head << 7 | (i < name.size() ? Rank(name[i]) : 0);
    return head;
  }

  bool Less(const std::string& a, const std::string& b) const {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
      if (Rank(a[i]) != Rank(b[i])) return Rank(a[i]) < Rank(b[i]);
    }
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  }

  std::array<unsigned char, 128> ranks_{};
};

void SortByCollator(std::vector<std::string>* names) {
  const QCollator collator = GermanCollator();
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

}  // namespace

void SortByName(std::vector<std::string>* names) {
  static const AsciiOrder ascii_order(GermanCollator());
  if (std::all_of(names->begin(), names->end(), IsPrintableAscii)) {
    ascii_order.Sort(names);
  } else {
    SortByCollator(names);
  }
}

}  // namespace vantrel
