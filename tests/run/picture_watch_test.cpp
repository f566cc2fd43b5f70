// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/picture_watch.h"

#include <gtest/gtest.h>

namespace tevra {
namespace {

using Outcomes = std::vector<PictureWatch::Outcome>;

std::vector<int64_t> Tags(const Outcomes& outcomes, bool written) {
  std::vector<int64_t> tags;
  for (const PictureWatch::Outcome& outcome : outcomes) {
    if (outcome.written == written) {
      tags.push_back(outcome.tag);
    }
  }
  return tags;
}

// Files confirm pictures in release order; files announced while nothing was awaited count for
// none; a watch runs out at exposure + 5 s, and a file after that confirms the next picture.
TEST(PictureWatch, FilesConfirmPicturesInOrderUntilTheirWatchRunsOut) {
  PictureWatch watch;
  watch.Settle(3);  // three files of the camera window's own releases
  watch.Released(1000, 2000, 1);
  watch.Released(1100, 0, 2);
  EXPECT_TRUE(watch.Update(3, 1200).empty());
  EXPECT_EQ(Tags(watch.Update(4, 1300), true), std::vector<int64_t>{1});

  EXPECT_TRUE(watch.Update(4, 1100 + PictureWatch::FileWaitMs - 1).empty());
  const Outcomes ranOut = watch.Update(4, 1100 + PictureWatch::FileWaitMs);
  EXPECT_EQ(Tags(ranOut, false), std::vector<int64_t>{2});
  EXPECT_TRUE(watch.Empty());

  watch.Released(9000, 0, 3);
  watch.Released(9001, 0, 4);
  EXPECT_EQ(Tags(watch.Update(5, 9100), true), std::vector<int64_t>{3});
  EXPECT_EQ(watch.LastDeadlineMs(), 9001 + PictureWatch::FileWaitMs);
  EXPECT_EQ(Tags(watch.Abandon(), false), std::vector<int64_t>{4});

  watch.Restart(0);  // a new session counts from 0
  watch.Released(20000, 0, 5);
  EXPECT_EQ(Tags(watch.Update(1, 20001), true), std::vector<int64_t>{5});
}

}  // namespace
}  // namespace tevra
