#pragma once
// What the key presses waiting in the thread's queue are about to do, asked by work that
// gives way to them (the read-ahead, a decode) without taking them from the queue. A
// repeat left over from a key the user has let go of counts as nothing: it will be dropped.
#include <windows.h>

// Which way in the list the first message waiting goes when it is a key press: +1 to the
// entry after the shown one (Down, M, Delete, K, a digit), -1 to the one before it (Up),
// 0 for anything else or when it cannot be told safely.
int StepOfWaitingKey();

// Whether the first key press waiting is a repeat of Up or Down held down (any modifiers):
// the list's selection is about to move on past the entry shown now. A press of its own
// counts as nothing: Up or Down typed, not held, shows every picture it goes to.
bool HeldListStepIsWaiting();
