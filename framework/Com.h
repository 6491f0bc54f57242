#pragma once
#include <windows.h>
#include <objbase.h>

#include "framework/NoCopy.h"

// The calling thread as a single-threaded apartment for its lifetime, as
// the shell asks of a thread that hands it a launch: it may pass the launch
// to a handler through COM. DDE for the old OLE 1 handlers stays off.
class CComApartment : private CNoCopy {
public:
    CComApartment() : m_hr(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~CComApartment()
    {
        if (SUCCEEDED(m_hr))
            ::CoUninitialize();
    }

private:
    HRESULT m_hr;
};
