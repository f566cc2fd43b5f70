// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/picture_watch.h"

#include <algorithm>

namespace tevra {

void PictureWatch::Settle(uint64_t filesAnnounced) {
  if (pending_.empty()) {
    seen_ = filesAnnounced;
  }
}

void PictureWatch::Released(int64_t nowMs, int64_t exposureMs, int64_t tag) {
  pending_.push_back({nowMs + std::max<int64_t>(exposureMs, 0) + FileWaitMs, tag});
}

std::vector<PictureWatch::Outcome> PictureWatch::Update(uint64_t filesAnnounced, int64_t nowMs) {
  std::vector<Outcome> decided;
  for (; seen_ < filesAnnounced && !pending_.empty(); ++seen_) {
    decided.push_back({true, pending_.front().tag});
    pending_.pop_front();
  }
  // A picture whose watch ran out has no file; one released after it may still get its own.
  while (!pending_.empty() && nowMs >= pending_.front().deadlineMs) {
    decided.push_back({false, pending_.front().tag});
    pending_.pop_front();
  }
  return decided;
}

std::vector<PictureWatch::Outcome> PictureWatch::Abandon() {
  std::vector<Outcome> decided;
  for (const Pending& pending : pending_) {
    decided.push_back({false, pending.tag});
  }
  pending_.clear();
  return decided;
}

}  // namespace tevra
