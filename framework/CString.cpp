#include "framework/CString.h"

#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "framework/Mbcs.h"

CString::CString(const char* psz)
{
    if (psz)
        Append(psz, static_cast<int>(strlen(psz)));
}

CString::CString(const char* pch, int len)
{
    if (len > 0)
        Append(pch, len);
}

CString::CString(const CString& other)
{
    Append(other.m_pch, other.m_nLength);
}

CString::CString(CString&& other) noexcept
    : m_pch(other.m_pch), m_nLength(other.m_nLength), m_nAlloc(other.m_nAlloc)
{
    other.m_pch = nullptr;
    other.m_nLength = other.m_nAlloc = 0;
}

CString::~CString()
{
    free(m_pch);
}

CString& CString::operator=(const CString& other)
{
    if (this != &other) {
        m_nLength = 0;
        Append(other.m_pch, other.m_nLength);
        if (m_nLength == 0)
            Empty();
    }
    return *this;
}

CString& CString::operator=(CString&& other) noexcept
{
    if (this != &other) {
        free(m_pch);
        m_pch = other.m_pch;
        m_nLength = other.m_nLength;
        m_nAlloc = other.m_nAlloc;
        other.m_pch = nullptr;
        other.m_nLength = other.m_nAlloc = 0;
    }
    return *this;
}

CString& CString::operator=(const char* psz)
{
    // psz may point into our own buffer.
    CString copy(psz);
    return *this = static_cast<CString&&>(copy);
}

void CString::Reserve(int needed)
{
    if (needed < m_nAlloc)
        return;
    // Doubling keeps a run of appends linear in what they append.
    size_t room = static_cast<size_t>(m_nAlloc) * 2;
    if (room < static_cast<size_t>(needed) + 1)
        room = static_cast<size_t>(needed) + 1;
    if (room < 16)
        room = 16;
    if (room > 0x7FFFFFFF)
        room = 0x7FFFFFFF;
    if (static_cast<size_t>(needed) + 1 > room)
        abort();
    char* p = static_cast<char*>(realloc(m_pch, room));
    if (!p)
        abort();
    m_pch = p;
    m_nAlloc = static_cast<int>(room);
}

void CString::Append(const char* pch, int len)
{
    if (len <= 0)
        return;
    // pch may point into our own buffer, which Reserve may move.
    if (m_pch && pch >= m_pch && pch < m_pch + m_nAlloc) {
        CString copy(pch, len);
        Append(copy.m_pch, len);
        return;
    }
    if (len > 0x7FFFFFFE - m_nLength)
        abort();
    Reserve(m_nLength + len);
    memcpy(m_pch + m_nLength, pch, static_cast<size_t>(len));
    m_nLength += len;
    m_pch[m_nLength] = '\0';
}

CString& CString::operator+=(const char* psz)
{
    if (psz)
        Append(psz, static_cast<int>(strlen(psz)));
    return *this;
}

CString& CString::operator+=(const CString& other)
{
    Append(other.m_pch, other.m_nLength);
    return *this;
}

CString& CString::operator+=(char ch)
{
    if (ch != '\0')
        Append(&ch, 1);
    return *this;
}

void CString::Truncate(int len)
{
    if (len <= 0)
        Empty();
    else if (len < m_nLength)
        m_pch[m_nLength = len] = '\0';
}

void CString::Empty()
{
    free(m_pch);
    m_pch = nullptr;
    m_nLength = m_nAlloc = 0;
}

char* CString::GetBuffer(int minLen)
{
    Reserve(minLen > m_nLength ? minLen : m_nLength);
    m_pch[m_nLength] = '\0';
    return m_pch;
}

void CString::ReleaseBuffer(int newLen)
{
    if (!m_pch)
        return;
    if (newLen < 0 || newLen >= m_nAlloc)
        newLen = static_cast<int>(strnlen(m_pch, static_cast<size_t>(m_nAlloc - 1)));
    m_pch[newLen] = '\0';
    m_nLength = newLen;
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
    CString result;
    char* p = result.GetBuffer(len);
    vsnprintf(p, static_cast<size_t>(len) + 1, fmt, args);
    result.ReleaseBuffer(len);
    *this = static_cast<CString&&>(result);
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

int CString::Find(const char* sub, int start) const
{
    return FindText(*this, m_nLength, sub, start);
}

CString CString::Mid(int first, int count) const
{
    if (first < 0)
        first = 0;
    if (first > m_nLength)
        first = m_nLength;
    if (count < 0 || count > m_nLength - first)
        count = m_nLength - first;
    return CString(m_pch ? m_pch + first : "", count);
}

CString CString::Mid(int first) const
{
    return Mid(first, m_nLength);
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
