// SPDX-License-Identifier: GPL-3.0-or-later
// How closely a sleeping thread wakes at its instant. Linux lets a sleep run over by the thread's
// timer slack (50 us by default) and a busy machine may hand the processor to others first; the
// run's waits ask for a slack of 1 us and, where the desktop's RealtimeKit grants one, a
// real-time priority. Both are tried silently: without them the run keeps its own margin.
#pragma once

#include <string>

namespace tevra {

// Sets the calling thread's timer slack to 1 us; false where the system does not allow it.
bool SetFineTimerSlack();
// Gives the calling thread its default timer slack back.
void ResetTimerSlack();

// Asks RealtimeKit (org.freedesktop.RealtimeKit1 on the system bus) to run the calling thread at a
// real-time priority. "" when granted, else why not.
std::string RequestRealtimePriority();
// Back to normal scheduling.
void ResetSchedulingPriority();

}  // namespace tevra
