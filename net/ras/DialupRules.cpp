#include "net/ras/DialupRules.h"

#include <cstring>

namespace ras {

StateText StateTextFor(std::uint32_t state)
{
    if (state <= 23)
        return {14501 + state, false, false};
    if (state >= kStatePausedFirst && state <= kStatePausedLast)
        return {14525 + (state - kStatePausedFirst), false, false};
    if (state == 0x2000)
        return {14529, true, true};
    if (state == 0x2001)
        return {14530, true, false};
    return {14500, false, false};
}

bool IsDialupDeviceType(const char* deviceType)
{
    if (!deviceType)
        return false;
    CString type(deviceType);
    return type.CompareNoCase("modem") == 0 || type.CompareNoCase("isdn") == 0;
}

bool CopyField(char* field, std::size_t capacity, const char* text)
{
    if (capacity == 0)
        return false;
    const std::size_t length = text ? std::strlen(text) : 0;
    if (length >= capacity) {
        field[0] = '\0';
        return false;
    }
    std::memcpy(field, text ? text : "", length);
    field[length] = '\0';
    return true;
}

CString ReadField(const char* field, std::size_t capacity)
{
    std::size_t length = 0;
    while (length < capacity && field[length] != '\0')
        ++length;
    return CString(field, static_cast<int>(length));
}

CString NumberedEntryName(const CString& base, int n)
{
    CString name;
    name.Format("%s%d", base.GetString(), n);
    return name;
}

CString ComposeErrorText(const CString& text, std::uint32_t extendedError)
{
    CString composed = text;
    if (extendedError != 0)
        composed.AppendFormat(" Extended Error Code: %d", static_cast<int>(extendedError));
    return composed;
}

bool IsPremiumRateNumber(const CString& number)
{
    return number.Left(4) == "0990";
}

CString AreaCodeOf(const CString& number)
{
    const int dash = number.Find('-');
    return dash > 0 ? number.Left(dash) : CString();
}

CString FillNumberPattern(const CString& pattern, const CString& number, const CString& placeholder)
{
    const int at = placeholder.IsEmpty() ? -1 : pattern.Find(placeholder);
    if (at < 0)
        return number;
    return pattern.Left(at) + number + pattern.Mid(at + placeholder.GetLength());
}

CString ComposeEntryNumber(const CString& dialMode, const CString& outsideLine, const CString& pattern,
                           const CString& accessPoint, const CString& placeholder)
{
    CString number = outsideLine + FillNumberPattern(pattern, accessPoint, placeholder);
    if (dialMode.CompareNoCase("P") == 0)
        number = ",P" + number;
    return number;
}

CString ComposeDialNumber(const CString& deviceMode, const CString& dialMode, const CString& outsideLine,
                          const CString& accessPoint, const CString& phsNumber)
{
    if (deviceMode.CompareNoCase("PHS") == 0)
        return "T" + outsideLine + phsNumber;
    return dialMode + outsideLine + accessPoint;
}

namespace {

bool IsDialCharacter(char c)
{
    return (c >= '0' && c <= '9') || std::strchr(",-#*PpTtWw ", c) != nullptr;
}

bool AllDialCharacters(const CString& text)
{
    for (int i = 0; i < text.GetLength(); ++i)
        if (!IsDialCharacter(text[i]))
            return false;
    return true;
}

} // namespace

bool IsAcceptedAccessText(const CString& text, const CString& number)
{
    if (number.IsEmpty())
        return false;
    const int at = text.Find(number);
    if (at < 0)
        return false;
    return AllDialCharacters(text.Left(at)) && AllDialCharacters(text.Mid(at + number.GetLength()));
}

CString DerivePrefixPattern(const CString& text, const CString& number, const CString& placeholder)
{
    const int at = number.IsEmpty() ? -1 : text.Find(number);
    if (at < 0)
        return placeholder;
    return text.Left(at) + placeholder + text.Mid(at + number.GetLength());
}

CString OutsideLineValue(const CString& text, const CString& noneText)
{
    return text == noneText ? CString() : text;
}

CString DialModeValue(bool tone, bool pulse)
{
    if (tone)
        return "T";
    if (pulse)
        return "P";
    return CString();
}

void MoveChosenFirst(CString numbers[3], int chosen)
{
    if (chosen == 1 || chosen == 2) {
        CString first = numbers[0];
        numbers[0] = numbers[chosen];
        numbers[chosen] = first;
    }
}

} // namespace ras
