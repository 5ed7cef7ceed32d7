// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/name_drawing.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/shuffle_error.h"
#include "runtime/number_text.h"
#include "runtime/text.h"

namespace vantrel {

NameDrawer::NameDrawer(Runtime& runtime, const TakenNames& taken, DrawSettings settings)
    : runtime_(runtime),
      taken_(taken),
      settings_(std::move(settings)),
      fixed_width_(NumberToText(settings_.range).size() <= settings_.pad_width) {}

namespace {

// Writes `number` right-aligned into the `width` characters at `field`, "0" before it.
void WriteFilled(int64_t number, char* field, size_t width) {
  for (size_t i = width; i > 0; --i) {
    field[i - 1] = static_cast<char>('0' + number % 10);
    number /= 10;
  }
}

}  // namespace

std::string NameDrawer::NameWith(const std::string& old_name, int64_t k) const {
  std::string name = settings_.prefix;
  AppendPaddedNumber(k, settings_.pad_width, &name);
  return name + LastChars(old_name, kEndingChars);
}

std::optional<std::string> NameDrawer::DrawNewName(const std::string& old_name) {
  std::string ending;
  std::string ending_key;
  const size_t field = settings_.prefix.size();
  for (;;) {
    const double r = runtime_.NextRandom();
    ++draws_;
    if (ending.empty()) {
      if (!HasAtLeastChars(old_name, kEndingChars)) RaiseError(ErrorKind::kNameTooShort, old_name);
      ending = LastChars(old_name, kEndingChars);
      ending_key = taken_.EndingKey(ending);
      // The set cannot change while this name is drawn, so one look suffices.
      if (taken_.CountFor(ending_key) >= settings_.range) return std::nullopt;
      candidate_ = settings_.prefix + std::string(settings_.pad_width, '0') + ending;
    }
    const double n = static_cast<double>(settings_.range);
    // r < 1 keeps k within 1..N in exact arithmetic; the clamp guards the rounding.
    const int64_t k =
        std::clamp<int64_t>(static_cast<int64_t>(std::floor(n * r)) + 1, 1, settings_.range);
    if (const std::optional<bool> taken = taken_.NumberTaken(ending_key, k); taken && *taken) {
      continue;
    }
    // Usually every number fits the typed width, so the candidate keeps its shape
    // and only the digits change from draw to draw.
    if (fixed_width_) {
      WriteFilled(k, candidate_.data() + field, settings_.pad_width);
    } else {
      candidate_.assign(settings_.prefix);
      AppendPaddedNumber(k, settings_.pad_width, &candidate_);
      candidate_ += ending;
    }
    if (!taken_.Contains(candidate_)) return candidate_;
  }
}

}  // namespace vantrel
