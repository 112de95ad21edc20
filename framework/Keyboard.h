#pragma once
// The one place that reads the keyboard's modifier state.
namespace fw {

// Whether a key is held down right now (the asynchronous key state): for a question about
// the keyboard as it is, such as whether the user holds a key to stop a long run.
bool IsKeyDown(int virtualKey);

// Shift and Ctrl as they were when the key message last taken from this thread's queue
// was made (the queued key state): what they meant for the key being handled, however long
// ago it was pressed. Read in one call, as each read of the key state is a round trip to
// the system under Wine.
struct Modifiers {
    bool shift = false;
    bool ctrl = false;
};
Modifiers QueuedModifiers();

// Whether a key-down message is left over from a key the user has let go of: an
// auto-repeat (`repeat`: the key was down before the message was made) of a key that is not
// held any more, or whose release waits in the queue after it (the key pressed again since
// does not make the old repeats count). A key pressed anew always counts.
bool IsRepeatAfterRelease(int virtualKey, bool repeat);

// Takes the key-downs of `virtualKey` that wait at the head of this thread's key-downs out
// of its queue: a key that has already been acted on (its state read directly) must not act
// again on whatever takes the queue next, such as a message box.
void DropWaitingKeyDowns(int virtualKey);

// While it lives, the auto-repeats of one key are kept from this thread's message boxes and
// dialogs: a key held down to stop something does not also answer the message that follows.
// A new press of the key still does.
class CKeyRepeatBlock {
public:
    explicit CKeyRepeatBlock(int virtualKey);
    ~CKeyRepeatBlock();
    CKeyRepeatBlock(const CKeyRepeatBlock&) = delete;
    CKeyRepeatBlock& operator=(const CKeyRepeatBlock&) = delete;

private:
    void* m_hook;
    int m_previousKey;
};

// Whether the key-down message's key data says it is an auto-repeat.
constexpr bool IsRepeatKeyData(long long keyData) {
    return (keyData & (1LL << 30)) != 0;
}

}  // namespace fw
