// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "engine/stick_order.h"

namespace vantrel {

/// The German sentence on `held` files left in the holding folder.
std::string HeldFilesText(int held);

/// A short German notice of what a recovery did; empty when it found nothing.
std::string DescribeRecovery(const Recovery& recovery);

}  // namespace vantrel
