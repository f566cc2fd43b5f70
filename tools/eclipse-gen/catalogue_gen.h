// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue entries computed to the catalogue's conventions, the six entries that are stored
// as published, and the source file of the compiled-in table.
#pragma once

#include "timing/catalogue.h"

#include <map>
#include <string>
#include <vector>

namespace tevra::eclipsegen {

struct GeneratorPaths {
  std::string ephemerisDir = "/usr/share/libswe/ephe";
  std::string boundaryTable = "/usr/share/stellarium/data/constellations_spans.dat";
};

// The entries 1..143 (index 0 is entry 1), all computed and rounded to the stored precision;
// TypeName filled, DeltaTSec 0. Throws when the eclipses found are not the catalogue's 143 or
// the ephemeris or the boundary table cannot be read.
std::vector<Elemente_Type> ComputeCatalogue(const GeneratorPaths& paths);

// Greatest eclipse of entry 129 as published: hours from its reference hour 24.
constexpr double PublishedGreatestOffset129 = -0.191666667;

// The entries stored with their published values, by number.
const std::map<int, Elemente_Type>& PublishedEntries();

// The computed entries with the published ones put in their places.
std::vector<Elemente_Type> StoredEntries(std::vector<Elemente_Type> computed);

// The text of timing/catalogue_data.cpp for the stored entries.
std::string CatalogueSource(const std::vector<Elemente_Type>& stored);

// Rounds to a number of significant digits, as the stored columns are.
double RoundSignificant(double value, int digits);

}  // namespace tevra::eclipsegen
