// CString: a std::string with the few extra operations the framework's string has.
// Text is UTF-8 throughout.
#pragma once

#include <string>
#include <string_view>

#include "fx/types.h"

class CString : public std::string {
public:
    CString() = default;
    CString(const char* s) : std::string(s ? s : "") { }
    CString(const char* s, size_t n) : std::string(s ? s : "", s ? n : 0) { }
    CString(const std::string& s) : std::string(s) { }
    CString(std::string&& s) : std::string(std::move(s)) { }
    CString(std::string_view s) : std::string(s) { }
    CString(char c, int count = 1) : std::string(count > 0 ? size_t(count) : 0, c) { }

    CString& operator=(const char* s)
    {
        assign(s ? s : "");
        return *this;
    }
    CString& operator=(const std::string& s)
    {
        assign(s);
        return *this;
    }

    operator const char*() const { return c_str(); }

    int GetLength() const { return static_cast<int>(size()); }
    bool IsEmpty() const { return empty(); }
    void Empty() { clear(); }
    char GetAt(int i) const { return at(size_t(i)); }
    void SetAt(int i, char c) { at(size_t(i)) = c; }

    // Loads string `id` of the string table; FALSE (and empty) when there is none.
    BOOL LoadString(UINT id);
    // printf-style formatting into this string.
    void Format(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    void AppendFormat(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

    CString Left(int n) const;
    CString Right(int n) const;
    CString Mid(int first, int n = -1) const;
    int Find(char c, int start = 0) const;
    int Find(const char* s, int start = 0) const;
    int ReverseFind(char c) const;
    int Replace(const char* from, const char* to);
    int Replace(char from, char to);
    CString& TrimLeft();
    CString& TrimRight();
    CString& Trim();
    CString& MakeUpper();
    CString& MakeLower();
    // Case-sensitive and case-insensitive (ASCII) comparison: <0, 0, >0.
    int Compare(const char* s) const;
    int CompareNoCase(const char* s) const;
};

inline CString operator+(const CString& a, const CString& b)
{
    return CString(static_cast<const std::string&>(a) + static_cast<const std::string&>(b));
}
inline CString operator+(const CString& a, const char* b)
{
    return CString(static_cast<const std::string&>(a) + (b ? b : ""));
}
inline CString operator+(const char* a, const CString& b)
{
    return CString((a ? a : "") + static_cast<const std::string&>(b));
}
