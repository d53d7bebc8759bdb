#include "windowlogic/messagewrap.h"

std::string WrapLongLines(const char* text, size_t width, const BYTE* leadTable) {
    std::string out;
    if (!text) return out;
    if (width < 2) width = 2;
    size_t lineStart = 0, lastBreak = std::string::npos;
    for (const char* p = text; *p;) {
        size_t unit = leadTable && leadTable[(BYTE)*p] && p[1] ? 2 : 1;
        if (*p == '\n') {
            out += '\n';
            ++p;
            lineStart = out.size();
            lastBreak = std::string::npos;
            continue;
        }
        if (out.size() - lineStart + unit > width) {
            size_t at = lastBreak != std::string::npos ? lastBreak : out.size();
            out.insert(at, 1, '\n');
            lineStart = at + 1;
            lastBreak = std::string::npos;
        }
        out.append(p, unit);
        if (unit == 1 && (*p == '\\' || *p == '/')) lastBreak = out.size();
        p += unit;
    }
    return out;
}
