#include "fx/cstring.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "fx/resources.h"

namespace {

std::string VFormat(const char* fmt, va_list args)
{
    if (!fmt)
        return {};
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    if (n <= 0)
        return {};
    std::string out(size_t(n) + 1, '\0');
    std::vsnprintf(out.data(), out.size(), fmt, args);
    out.resize(size_t(n));
    return out;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace

BOOL CString::LoadString(UINT id)
{
    auto s = fx::FindString(id);
    assign(s.value_or(std::string()));
    return s.has_value() ? TRUE : FALSE;
}

void CString::Format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    assign(VFormat(fmt, args));
    va_end(args);
}

void CString::AppendFormat(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    append(VFormat(fmt, args));
    va_end(args);
}

CString CString::Left(int n) const
{
    return CString(substr(0, size_t(std::clamp(n, 0, GetLength()))));
}

CString CString::Right(int n) const
{
    n = std::clamp(n, 0, GetLength());
    return CString(substr(size() - size_t(n)));
}

CString CString::Mid(int first, int n) const
{
    first = std::clamp(first, 0, GetLength());
    if (n < 0)
        return CString(substr(size_t(first)));
    return CString(substr(size_t(first), size_t(n)));
}

int CString::Find(char c, int start) const
{
    if (start < 0 || start > GetLength())
        return -1;
    size_t pos = find(c, size_t(start));
    return pos == npos ? -1 : int(pos);
}

int CString::Find(const char* s, int start) const
{
    if (!s || start < 0 || start > GetLength())
        return -1;
    size_t pos = find(s, size_t(start));
    return pos == npos ? -1 : int(pos);
}

int CString::ReverseFind(char c) const
{
    size_t pos = rfind(c);
    return pos == npos ? -1 : int(pos);
}

int CString::Replace(const char* from, const char* to)
{
    if (!from || !*from)
        return 0;
    std::string repl = to ? to : "";
    size_t flen = std::strlen(from);
    int count = 0;
    size_t pos = 0;
    while ((pos = find(from, pos, flen)) != npos) {
        replace(pos, flen, repl);
        pos += repl.size();
        ++count;
    }
    return count;
}

int CString::Replace(char from, char to)
{
    int count = 0;
    for (char& c : *this) {
        if (c == from) {
            c = to;
            ++count;
        }
    }
    return count;
}

CString& CString::TrimLeft()
{
    size_t i = 0;
    while (i < size() && IsBlank((*this)[i]))
        ++i;
    erase(0, i);
    return *this;
}

CString& CString::TrimRight()
{
    size_t n = size();
    while (n > 0 && IsBlank((*this)[n - 1]))
        --n;
    resize(n);
    return *this;
}

CString& CString::Trim()
{
    return TrimRight().TrimLeft();
}

CString& CString::MakeUpper()
{
    for (char& c : *this)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return *this;
}

CString& CString::MakeLower()
{
    for (char& c : *this)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return *this;
}

int CString::Compare(const char* s) const
{
    return std::strcmp(c_str(), s ? s : "");
}

int CString::CompareNoCase(const char* s) const
{
    return strcasecmp(c_str(), s ? s : "");
}
