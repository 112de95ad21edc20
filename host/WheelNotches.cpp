#include "host/WheelNotches.h"

int CWheelNotches::Add(int delta) {
    // A turn the other way starts afresh rather than first paying back the part turned.
    const long long towardUser = -static_cast<long long>(delta);
    if ((towardUser > 0 && m_rest < 0) || (towardUser < 0 && m_rest > 0)) {
        m_rest = 0;
    }
    const long long total = m_rest + towardUser;
    const long long notches = total / kWheelNotch;
    m_rest = static_cast<int>(total % kWheelNotch);
    return static_cast<int>(notches);
}
