#include "CString.h"

#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

char* Duplicate(const char* pch, size_t len)
{
    if (len == 0)
        return nullptr;
    char* p = static_cast<char*>(malloc(len + 1));
    if (!p)
        abort();
    memcpy(p, pch, len);
    p[len] = '\0';
    return p;
}

}  // namespace

CString::CString(const char* psz)
    : m_pch(psz ? Duplicate(psz, strlen(psz)) : nullptr)
{
}

CString::CString(const char* pch, int len)
    : m_pch(len > 0 ? Duplicate(pch, static_cast<size_t>(len)) : nullptr)
{
}

CString::CString(const CString& other)
    : m_pch(other.m_pch ? Duplicate(other.m_pch, strlen(other.m_pch)) : nullptr)
{
}

CString::~CString()
{
    free(m_pch);
}

CString& CString::operator=(const CString& other)
{
    if (this != &other)
        *this = other.m_pch;
    return *this;
}

CString& CString::operator=(CString&& other) noexcept
{
    if (this != &other) {
        free(m_pch);
        m_pch = other.m_pch;
        other.m_pch = nullptr;
    }
    return *this;
}

CString& CString::operator=(const char* psz)
{
    // psz may point into our own buffer.
    char* p = psz ? Duplicate(psz, strlen(psz)) : nullptr;
    free(m_pch);
    m_pch = p;
    return *this;
}

CString& CString::operator+=(const char* psz)
{
    size_t add = psz ? strlen(psz) : 0;
    if (add == 0)
        return *this;
    size_t len = m_pch ? strlen(m_pch) : 0;
    char* p = static_cast<char*>(malloc(len + add + 1));
    if (!p)
        abort();
    if (len)
        memcpy(p, m_pch, len);
    memcpy(p + len, psz, add);
    p[len + add] = '\0';
    free(m_pch);
    m_pch = p;
    return *this;
}

CString& CString::operator+=(const CString& other)
{
    if (this == &other) {
        CString copy(other);
        return *this += copy.m_pch;
    }
    return *this += other.m_pch;
}

CString& CString::operator+=(char ch)
{
    char s[2] = { ch, '\0' };
    return *this += s;
}

int CString::GetLength() const
{
    return m_pch ? static_cast<int>(strlen(m_pch)) : 0;
}

void CString::Empty()
{
    free(m_pch);
    m_pch = nullptr;
}

char* CString::GetBuffer(int minLen)
{
    int len = GetLength();
    if (minLen < len)
        minLen = len;
    char* p = static_cast<char*>(malloc(static_cast<size_t>(minLen) + 1));
    if (!p)
        abort();
    if (len)
        memcpy(p, m_pch, static_cast<size_t>(len));
    p[len] = '\0';
    free(m_pch);
    m_pch = p;
    return m_pch;
}

void CString::ReleaseBuffer(int newLen)
{
    if (!m_pch)
        return;
    if (newLen < 0)
        newLen = static_cast<int>(strlen(m_pch));
    m_pch[newLen] = '\0';
    if (newLen == 0)
        Empty();
}

void CString::FormatV(const char* fmt, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    int len = _vscprintf(fmt, copy);
    va_end(copy);
    if (len <= 0) {
        Empty();
        return;
    }
    char* p = static_cast<char*>(malloc(static_cast<size_t>(len) + 1));
    if (!p)
        abort();
    vsnprintf(p, static_cast<size_t>(len) + 1, fmt, args);
    free(m_pch);
    m_pch = p;
}

void CString::Format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    FormatV(fmt, args);
    va_end(args);
}

int CString::Find(char ch, int start) const
{
    char s[2] = { ch, '\0' };
    return Find(s, start);
}

// Walks whole characters of the system code page, so a trail byte of a GBK
// character is never taken for the ASCII character it happens to equal
// (the C runtime's multibyte functions depend on its own code-page state).
int CString::Find(const char* sub, int start) const
{
    int len = GetLength();
    int subLen = static_cast<int>(strlen(sub));
    if (start < 0 || start > len || !m_pch)
        return -1;
    for (int i = start; i + subLen <= len; i += ::IsDBCSLeadByte(static_cast<BYTE>(m_pch[i])) ? 2 : 1) {
        if (memcmp(m_pch + i, sub, static_cast<size_t>(subLen)) == 0)
            return i;
    }
    return -1;
}

CString CString::Mid(int first, int count) const
{
    int len = GetLength();
    if (first < 0)
        first = 0;
    if (first > len)
        first = len;
    if (count < 0 || first + count > len)
        count = len - first;
    return CString(m_pch ? m_pch + first : "", count);
}

CString CString::Mid(int first) const
{
    return Mid(first, GetLength());
}

CString CString::Left(int count) const
{
    return Mid(0, count);
}

int CString::Replace(const char* from, const char* to)
{
    int fromLen = static_cast<int>(strlen(from));
    if (fromLen == 0 || !m_pch)
        return 0;
    CString result;
    int count = 0, pos = 0;
    for (int hit; (hit = Find(from, pos)) >= 0; pos = hit + fromLen, ++count) {
        result += Mid(pos, hit - pos);
        result += to;
    }
    if (count) {
        result += Mid(pos);
        *this = static_cast<CString&&>(result);
    }
    return count;
}

// Letter case is folded for single-byte ASCII letters only; double-byte
// characters compare byte for byte.
int CString::CompareNoCase(const char* other) const
{
    const unsigned char* a = reinterpret_cast<const unsigned char*>(static_cast<const char*>(*this));
    const unsigned char* b = reinterpret_cast<const unsigned char*>(other ? other : "");
    for (;;) {
        if (::IsDBCSLeadByte(*a) && a[1] && ::IsDBCSLeadByte(*b) && b[1]) {
            int d = (a[0] << 8 | a[1]) - (b[0] << 8 | b[1]);
            if (d)
                return d;
            a += 2;
            b += 2;
            continue;
        }
        int ca = *a >= 'A' && *a <= 'Z' ? *a + 32 : *a;
        int cb = *b >= 'A' && *b <= 'Z' ? *b + 32 : *b;
        if (ca != cb || ca == 0)
            return ca - cb;
        ++a;
        ++b;
    }
}

CString operator+(const CString& a, const CString& b)
{
    CString s(a);
    s += b;
    return s;
}

CString operator+(const CString& a, const char* b)
{
    CString s(a);
    s += b;
    return s;
}

CString operator+(const char* a, const CString& b)
{
    CString s(a);
    s += b;
    return s;
}

bool operator==(const CString& a, const char* b)
{
    return strcmp(a, b ? b : "") == 0;
}
