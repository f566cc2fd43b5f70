// SPDX-License-Identifier: GPL-3.0-or-later
// The stored catalogue entries 1..143 in date order (index 0 is entry 1). TypeName and DeltaTSec
// are filled when the catalogue is built.
#pragma once

#include "catalogue.h"

#include <array>

namespace tevra {

const std::array<Elemente_Type, EclipseCount>& CatalogueData();

}  // namespace tevra
