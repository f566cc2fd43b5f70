// SPDX-License-Identifier: GPL-3.0-or-later
// eclipse-gen: computes the lunar eclipse catalogue and writes timing/catalogue_data.cpp.
#include "timing/time_text.h"
#include "tools/eclipse-gen/catalogue_gen.h"

#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using tevra::Elemente_Type;

constexpr const char* Usage =
    "usage: eclipse-gen [--output FILE | --check FILE | --differences] [--ephe DIR] [--boundaries FILE]\n"
    "  (no option)       print the catalogue source on standard output\n"
    "  --output FILE     write the catalogue source to FILE\n"
    "  --check FILE      exit with 1 unless FILE holds exactly the catalogue source\n"
    "  --differences     largest difference of the computed from the published entries, per field\n";

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    throw std::runtime_error("cannot read " + path);
  }
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Written beside the old file and renamed over it, so a failed run leaves the old one whole.
void WriteFile(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
      std::filesystem::remove(temporary);
      throw std::runtime_error("cannot write " + temporary);
    }
  }
  std::filesystem::rename(temporary, path);
}

int Check(const std::string& path, const std::string& expected) {
  const std::string actual = ReadFile(path);
  if (actual == expected) {
    std::cout << path << " is up to date\n";
    return 0;
  }
  std::istringstream a(actual);
  std::istringstream e(expected);
  std::string lineA;
  std::string lineE;
  for (int line = 1;; ++line) {
    const bool moreA = static_cast<bool>(std::getline(a, lineA));
    const bool moreE = static_cast<bool>(std::getline(e, lineE));
    if (!moreA && !moreE) {
      break;
    }
    if (lineA != lineE || moreA != moreE) {
      std::cerr << path << ":" << line << ": differs from the generator's output\n  file:      " << lineA
                << "\n  generated: " << lineE << "\n";
      break;
    }
  }
  std::cerr << "regenerate it with: eclipse-gen --output " << path << "\n";
  return 1;
}

struct Field {
  const char* name;
  double scale;  // to the unit shown
  const char* unit;
  double Elemente_Type::*member;
};

void PrintDifferences(const std::vector<Elemente_Type>& computed) {
  const std::vector<Field> fields = {
      {"JDGreatest", 86400, "s", &Elemente_Type::JDGreatest},
      {"GreatestOffset", 3600, "s", &Elemente_Type::GreatestOffset},
      {"Gamma", 1, "", &Elemente_Type::Gamma},
      {"PenMagnitude", 1, "", &Elemente_Type::PenMagnitude},
      {"UmbMagnitude", 1, "", &Elemente_Type::UmbMagnitude},
      {"MoonSemiDiameter", 1, "\"", &Elemente_Type::MoonSemiDiameter},
      {"AxisDistance", 1, "\"", &Elemente_Type::AxisDistance},
      {"P1Offset", 3600, "s", &Elemente_Type::P1Offset},
      {"P2Offset", 3600, "s", &Elemente_Type::P2Offset},
      {"P3Offset", 3600, "s", &Elemente_Type::P3Offset},
      {"P4Offset", 3600, "s", &Elemente_Type::P4Offset},
      {"U1Offset", 3600, "s", &Elemente_Type::U1Offset},
      {"U2Offset", 3600, "s", &Elemente_Type::U2Offset},
      {"U3Offset", 3600, "s", &Elemente_Type::U3Offset},
      {"U4Offset", 3600, "s", &Elemente_Type::U4Offset},
  };
  const auto& published = tevra::eclipsegen::PublishedEntries();
  for (const Field& field : fields) {
    double largest = 0;
    int where = 0;
    for (const auto& [number, entry] : published) {
      const Elemente_Type& mine = computed.at(static_cast<size_t>(number - 1));
      const double difference = std::abs(mine.*field.member - entry.*field.member) * field.scale;
      if (difference >= largest) {
        largest = difference;
        where = number;
      }
    }
    std::cout << field.name << '\t' << tevra::GeneralStr(tevra::eclipsegen::RoundSignificant(largest, 3))
              << field.unit << "\tentry " << where << '\n';
  }
  int mismatches = 0;
  for (const auto& [number, entry] : published) {
    const Elemente_Type& mine = computed.at(static_cast<size_t>(number - 1));
    const bool same = mine.Year == entry.Year && mine.Month == entry.Month && mine.Day == entry.Day &&
                      mine.Hour == entry.Hour && mine.Constellation == entry.Constellation &&
                      mine.Lunation == entry.Lunation && mine.TypeCode == entry.TypeCode &&
                      mine.Saros == entry.Saros && mine.SarosMember == entry.SarosMember &&
                      mine.SarosCount == entry.SarosCount;
    if (!same) {
      std::cout << "integer or text fields of entry " << number << " differ\n";
      ++mismatches;
    }
  }
  if (mismatches == 0) {
    std::cout << "integer and text fields\tequal\n";
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  tevra::eclipsegen::GeneratorPaths paths;
  std::string output;
  std::string check;
  bool differences = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--help" || arg == "-h") {
      std::cout << Usage;
      return 0;
    } else if (arg == "--differences") {
      differences = true;
    } else if (arg == "--output" && hasValue) {
      output = args[++i];
    } else if (arg == "--check" && hasValue) {
      check = args[++i];
    } else if (arg == "--ephe" && hasValue) {
      paths.ephemerisDir = args[++i];
    } else if (arg == "--boundaries" && hasValue) {
      paths.boundaryTable = args[++i];
    } else {
      std::cerr << "eclipse-gen: unexpected argument '" << arg << "'\n" << Usage;
      return 2;
    }
  }
  if (static_cast<int>(!output.empty()) + static_cast<int>(!check.empty()) + static_cast<int>(differences) >
      1) {
    std::cerr << "eclipse-gen: --output, --check and --differences exclude one another\n" << Usage;
    return 2;
  }
  try {
    const std::vector<Elemente_Type> computed = tevra::eclipsegen::ComputeCatalogue(paths);
    if (differences) {
      PrintDifferences(computed);
      return 0;
    }
    const std::string source = tevra::eclipsegen::CatalogueSource(tevra::eclipsegen::StoredEntries(computed));
    if (!check.empty()) {
      return Check(check, source);
    }
    if (!output.empty()) {
      WriteFile(output, source);
    } else {
      std::cout << source;
    }
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "eclipse-gen: " << error.what() << "\n";
    return 1;
  }
}
