#pragma once
// OLE initialised on this thread for the lifetime of the object (and released only
// when this scope initialised it).
#include <windows.h>
#include <ole2.h>

namespace fw {

class COleScope {
public:
    COleScope() : m_result(::OleInitialize(nullptr)) {}
    COleScope(const COleScope&) = delete;
    COleScope& operator=(const COleScope&) = delete;
    ~COleScope() {
        if (SUCCEEDED(m_result)) {
            ::OleUninitialize();
        }
    }
    bool IsInitialised() const { return SUCCEEDED(m_result); }

private:
    HRESULT m_result;
};

}  // namespace fw
