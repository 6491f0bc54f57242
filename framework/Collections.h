#pragma once
#include <vector>

#include "CString.h"

// The two array containers the program needs; indices are ints as the
// dialogs use them, and out-of-range access is the caller's bug.
class CStringArray {
public:
    int GetSize() const { return static_cast<int>(m_items.size()); }
    int Add(const CString& s) { m_items.push_back(s); return GetSize() - 1; }
    const CString& GetAt(int i) const { return m_items[static_cast<size_t>(i)]; }
    const CString& operator[](int i) const { return GetAt(i); }

private:
    std::vector<CString> m_items;
};

class CUIntArray {
public:
    int GetSize() const { return static_cast<int>(m_items.size()); }
    int Add(unsigned value) { m_items.push_back(value); return GetSize() - 1; }
    unsigned GetAt(int i) const { return m_items[static_cast<size_t>(i)]; }
    unsigned operator[](int i) const { return GetAt(i); }

private:
    std::vector<unsigned> m_items;
};
