#pragma once
#include <stdarg.h>

// Multibyte string of the system code page.
//
// The layout is part of the character plug-in contract: a plug-in returns a
// CString by value and the host frees it after the plug-in is unloaded. It is
// exactly one pointer to a NUL-terminated buffer from msvcrt's malloc, or null
// for the empty string; there is no shared static sentinel to outlive a DLL.
class CString {
public:
    CString() : m_pch(nullptr) {}
    CString(const char* psz);
    CString(const char* pch, int len);
    CString(const CString& other);
    CString(CString&& other) noexcept : m_pch(other.m_pch) { other.m_pch = nullptr; }
    ~CString();

    CString& operator=(const CString& other);
    CString& operator=(CString&& other) noexcept;
    CString& operator=(const char* psz);
    CString& operator+=(const CString& other);
    CString& operator+=(const char* psz);
    CString& operator+=(char ch);

    int GetLength() const;
    bool IsEmpty() const { return m_pch == nullptr || m_pch[0] == '\0'; }
    void Empty();
    operator const char*() const { return m_pch ? m_pch : ""; }
    char GetAt(int i) const { return m_pch[i]; }

    // Buffer of at least minLen bytes plus the terminator; ReleaseBuffer(-1)
    // takes the length from the terminator.
    char* GetBuffer(int minLen);
    void ReleaseBuffer(int newLen = -1);

    void Format(const char* fmt, ...);
    void FormatV(const char* fmt, va_list args);

    int Find(char ch, int start = 0) const;
    int Find(const char* sub, int start = 0) const;
    CString Mid(int first, int count) const;
    CString Mid(int first) const;
    CString Left(int count) const;
    int Replace(const char* from, const char* to);
    int CompareNoCase(const char* other) const;

private:
    char* m_pch;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, const char* b);
CString operator+(const char* a, const CString& b);
bool operator==(const CString& a, const char* b);
inline bool operator==(const CString& a, const CString& b) { return a == (const char*)b; }
inline bool operator!=(const CString& a, const char* b) { return !(a == b); }

static_assert(sizeof(CString) == sizeof(void*), "CString layout is part of the plug-in contract");
