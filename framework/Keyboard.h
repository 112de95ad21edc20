#pragma once
// The one place that reads the keyboard's modifier state.
namespace fw {

// Whether a key is held down right now (the asynchronous key state): for a question about
// the keyboard as it is, such as whether the user holds a key to stop a long run.
bool IsKeyDown(int virtualKey);

// Whether a key was down when the key message last taken from this thread's queue was
// made (the queued key state): what a modifier meant for the key being handled, however
// long ago it was pressed.
bool WasKeyDown(int virtualKey);

}  // namespace fw
