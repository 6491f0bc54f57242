#pragma once
#include <stdarg.h>

// Multibyte string of the system code page.
//
// Its first member is the one a character plug-in hands over: a plug-in
// returns a CString by value and the host takes only that word, a pointer to
// a NUL-terminated buffer from msvcrt's malloc (null for the empty string),
// copies the text and frees the buffer. A buffer starts at its block, so any
// string of this class, whatever follows the pointer, hands over the same way.
// The length and the room are kept beside it so that appending costs what is
// appended, not the whole string again.
class CString {
public:
    CString() = default;
    CString(const char* psz);
    CString(const char* pch, int len);
    CString(const CString& other);
    CString(CString&& other) noexcept;
    ~CString();

    CString& operator=(const CString& other);
    CString& operator=(CString&& other) noexcept;
    CString& operator=(const char* psz);
    CString& operator+=(const CString& other);
    CString& operator+=(const char* psz);
    CString& operator+=(char ch);
    // Appends len bytes (no terminator among them).
    void Append(const char* pch, int len);
    // Keeps the first len bytes.
    void Truncate(int len);

    int GetLength() const { return m_nLength; }
    bool IsEmpty() const { return m_nLength == 0; }
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

private:
    // Room for at least needed bytes of text and the terminator.
    void Reserve(int needed);

    char* m_pch = nullptr;
    int m_nLength = 0;
    int m_nAlloc = 0;  // bytes of m_pch's block, the terminator's included
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, const char* b);
CString operator+(const char* a, const CString& b);
bool operator==(const CString& a, const char* b);
inline bool operator==(const CString& a, const CString& b) { return a == (const char*)b; }
inline bool operator!=(const CString& a, const char* b) { return !(a == b); }
