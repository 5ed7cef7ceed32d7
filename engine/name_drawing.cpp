#include "engine/name_drawing.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/shuffle_error.h"
#include "runtime/text.h"

namespace vantrel {

NameDrawer::NameDrawer(Runtime& runtime, const TakenNames& taken, DrawSettings settings)
    : runtime_(runtime), taken_(taken), settings_(std::move(settings)) {}

std::string NameDrawer::DrawNewName(const std::string& old_name) {
  std::string ending;
  for (;;) {
    const double r = runtime_.NextRandom();
    ++draws_;
    if (ending.empty()) {
      if (CharLength(old_name) < 4) RaiseError(ErrorKind::kInvalidArgument, old_name);
      ending = LastChars(old_name, 4);
      // The set cannot change while this name is drawn, so one look suffices.
      if (taken_.CountFor(ending) >= settings_.range) {
        RaiseError(ErrorKind::kNoFreeName, old_name);
      }
    }
    const double n = static_cast<double>(settings_.range);
    // r < 1 keeps k within 1..N in exact arithmetic; the clamp guards the rounding.
    const int64_t k = std::clamp<int64_t>(static_cast<int64_t>(std::floor(n * r)) + 1, 1,
                                          settings_.range);
    candidate_.assign(settings_.prefix);
    AppendPaddedNumber(k, settings_.pad_width, &candidate_);
    candidate_ += ending;
    if (!taken_.Contains(candidate_)) return candidate_;
  }
}

}  // namespace vantrel
