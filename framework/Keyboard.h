#pragma once
// The one place that reads the keyboard's modifier state.
namespace fw {

// Whether a key is held down right now (the asynchronous key state).
bool IsKeyDown(int virtualKey);

}  // namespace fw
