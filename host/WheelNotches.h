#pragma once
// The mouse wheel counted in notches: a wheel turned by less than a notch at a time (a
// fine wheel, a touch pad) adds up until a whole notch is reached. Portable.

// What Windows counts as one notch of the wheel.
constexpr int kWheelNotch = 120;

class CWheelNotches {
public:
    // Adds a wheel message's delta (positive: turned away from the user) and returns the
    // whole notches it completes, positive toward the user (Down), negative away (Up).
    int Add(int delta);
    // Forgets a part of a notch turned so far.
    void Reset() { m_rest = 0; }

private:
    int m_rest = 0;  // toward the user, less than a notch either way
};
