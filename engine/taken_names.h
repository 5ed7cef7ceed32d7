#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace vantrel {

/// The names of a folder's entries that a run must not give, of any kind, hidden
/// ones included. Besides the set it counts, per four-character ending, how many of
/// the numbers 1..range are already used by names of the form prefix + number +
/// ending, so that "no free name left" is known at once instead of by drawing forever.
class TakenNames {
 public:
  TakenNames(std::string prefix, int64_t range, size_t pad_width);

  void Add(const std::string& name);
  void Remove(const std::string& name);
  bool Contains(const std::string& name) const { return names_.count(name) != 0; }
  /// Numbers of 1..range whose name with this prefix and `ending` is taken.
  int64_t CountFor(const std::string& ending) const;
  size_t size() const { return names_.size(); }

 private:
  /// The ending of `name` if it is prefix + a number of 1..range as drawn + ending.
  std::optional<std::string> EndingOfDrawnName(const std::string& name) const;

  std::string prefix_;
  int64_t range_;
  size_t pad_width_;
  std::unordered_set<std::string> names_;
  std::unordered_map<std::string, int64_t> counts_;
};

/// `number` in decimal, filled on the left with "0" to `width` characters; never cut.
std::string PaddedNumber(int64_t number, size_t width);
void AppendPaddedNumber(int64_t number, size_t width, std::string* out);

}  // namespace vantrel
