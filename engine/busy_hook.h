// Long work of the engine on one movie (compressing, protecting, verifying or copying a large one) calls the busy hook
// between its blocks, so that a program doing the work on its window's thread can let the window answer meanwhile.
// There is no hook unless the program sets one; the command-line tool sets none.
#pragma once

namespace sqz {

using BusyHook = void (*)();

// Makes `hook` the one called between blocks (null: none); returns the one it replaces.
BusyHook SetBusyHook(BusyHook hook);
// Calls the hook, if there is one; then false when the work has been cancelled (CancelWork), which the engine's
// loops answer by failing with kCancelled, leaving no work file behind.
bool Busy();
// Cancels (or, with false, allows again) the engine's work in hand, at its next block: for a program whose session
// ends while a movie is being worked on.
void CancelWork(bool cancel);

}  // namespace sqz
