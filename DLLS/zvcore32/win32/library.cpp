// Version, error box and number formatting.
#include <stdio.h>
#include <string.h>

#include "zvcore32_win32.h"
#include "zvlibrary.h"

ZV_EXPORT(int) zvGetVersion(void) { return 113; }

ZV_EXPORT(int) zvDispLastError(HWND owner) {
    DWORD code = GetLastError();
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), (LPSTR)&text, 0, nullptr);
    char caption[48];
    snprintf(caption, sizeof caption, "LastError : %d", (int)code);
    int answer = MessageBoxA(owner, text ? text : "", caption, MB_OK | MB_ICONINFORMATION);
    if (text) LocalFree(text);
    return answer;
}

ZV_EXPORT(char*) zvFigureSepStrA(const char* digits, char* out, int size, int) {
    if (!digits || !out || size <= 0) {
        zvSetErrCode(ZVERR_BAD_ARGUMENT);
        return nullptr;
    }
    char grouping[16] = "3";
    char thousand[8] = ",";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SGROUPING, grouping, sizeof grouping);
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, thousand, sizeof thousand);
    NUMBERFMTA format = {};
    format.NumDigits = 0;
    format.LeadingZero = 0;
    format.Grouping = (grouping[0] >= '0' && grouping[0] <= '9') ? (UINT)(grouping[0] - '0') : 3;
    format.lpDecimalSep = thousand;
    format.lpThousandSep = thousand;
    format.NegativeOrder = 0;
    if (GetNumberFormatA(LOCALE_USER_DEFAULT, 0, digits, &format, out, size) == 0) return nullptr;
    // Without a leading zero some systems format the value 0 as nothing at all.
    if (!strpbrk(out, "0123456789") && strpbrk(digits, "0123456789")) {
        if (size < 2) return nullptr;
        strcpy(out, "0");
    }
    return out;
}

namespace {

char* FigureSep(unsigned long long magnitude, bool negative, int flags, char* out, int size) {
    char digits[32];
    const char* sign = "";
    if (flags & 1) {
        if (negative) {
            sign = "-";
        } else if (flags & 2) {
            sign = "+";
        }
    }
    snprintf(digits, sizeof digits, "%s%llu", sign, magnitude);
    return zvFigureSepStrA(digits, out, size, flags);
}

}  // namespace

ZV_EXPORT(char*) zvFigureSepInt32A(int value, char* out, int size, int flags) {
    if (!(flags & 1)) return FigureSep((unsigned)value, false, flags, out, size);
    bool negative = value < 0;
    unsigned magnitude = negative ? 0u - (unsigned)value : (unsigned)value;
    return FigureSep(magnitude, negative, flags, out, size);
}

ZV_EXPORT(char*) zvFigureSepInt64A(DWORD low, DWORD high, char* out, int size, int flags) {
    unsigned long long value = ((unsigned long long)high << 32) | low;
    if (!(flags & 1)) return FigureSep(value, false, flags, out, size);
    bool negative = (long long)value < 0;
    unsigned long long magnitude = negative ? 0ull - value : value;
    return FigureSep(magnitude, negative, flags, out, size);
}
