// SPDX-License-Identifier: GPL-3.0-or-later
// The user guide as the build renders it, and where the program looks for it.
#include "shell/user_guide.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace tevra {
namespace {

namespace fs = std::filesystem;

TEST(UserGuide, FoundBesideTheProgramsInstallPlaceWithOrWithoutTrailingSeparator) {
  const std::string guide = UserGuidePath("/opt/tevra/bin/");
  EXPECT_EQ(UserGuidePath("/opt/tevra/bin"), guide);
  EXPECT_TRUE(guide.starts_with("/opt/tevra/")) << guide;
  EXPECT_TRUE(guide.ends_with("/tevra/guide/index.html")) << guide;
  EXPECT_EQ(guide.find(".."), std::string::npos) << guide;
}

// Every picture and page the guide links exists beside it, and every link inside the page leads to
// a heading of it.
TEST(UserGuide, RenderedPageHasItsPicturesAndEveryLinkLeadsSomewhere) {
  const fs::path page = TEVRA_BUILT_GUIDE;
  std::ifstream file(page);
  ASSERT_TRUE(file) << "the build did not render " << page;
  std::stringstream html;
  html << file.rdbuf();
  const std::string text = html.str();
  EXPECT_NE(text.find("<title>Tevra User Guide</title>"), std::string::npos);

  const std::regex link(R"re((src|href)="([^"]*)")re");
  int pictures = 0;
  int anchors = 0;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), link); it != std::sregex_iterator(); ++it) {
    const std::string target = (*it)[2];
    if (target.starts_with("#")) {
      ++anchors;
      EXPECT_NE(text.find("id=\"" + target.substr(1) + "\""), std::string::npos)
          << "no heading for " << target;
    } else if (target.find("://") == std::string::npos) {
      pictures += (*it)[1] == "src" ? 1 : 0;
      EXPECT_TRUE(fs::is_regular_file(page.parent_path() / target))
          << target << " is missing beside the guide";
    }
  }
  EXPECT_GE(pictures, 5);
  EXPECT_GE(anchors, 8);  // the contents and the links between sections
}

}  // namespace
}  // namespace tevra
