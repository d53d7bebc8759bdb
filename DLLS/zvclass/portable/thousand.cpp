#include <stdio.h>
#include <stdlib.h>

#include "zvclass.h"
#include "zvclass_internal.h"

namespace {

const int kBufferSize = 16;

void FormatMagnitude(unsigned v, char* out, int size) {
    if (v < 1000) {
        snprintf(out, (size_t)size, g_zvclassFormats[kFormatUnits], (int)v);
    } else if (v <= 999999) {
        snprintf(out, (size_t)size, g_zvclassFormats[kFormatThousands], (int)(v / 1000), (int)(v % 1000));
    } else if (v <= 999999999) {
        snprintf(out, (size_t)size, g_zvclassFormats[kFormatMillions], (int)(v / 1000000), (int)(v / 1000 % 1000),
                 (int)(v % 1000));
    } else {
        snprintf(out, (size_t)size, g_zvclassFormats[kFormatBillions], (int)(v / 1000000000),
                 (int)(v / 1000000 % 1000), (int)(v / 1000 % 1000), (int)(v % 1000));
    }
}

}  // namespace

zvCThousand::zvCThousand() : m_internal(malloc(kBufferSize)) {
    if (!m_internal) zvclassReportError(kMsgThousandMemory);
}

zvCThousand::zvCThousand(const zvCThousand&) : zvCThousand() {}

zvCThousand& zvCThousand::operator=(const zvCThousand&) { return *this; }

zvCThousand::~zvCThousand() { free(m_internal); }

const char* zvCThousand::MakeThousand(int value) {
    char* out = (char*)m_internal;
    if (!out) return "";
    if (value >= 0) {
        FormatMagnitude((unsigned)value, out, kBufferSize);
    } else {
        char scratch[kBufferSize];
        FormatMagnitude(0u - (unsigned)value, scratch, kBufferSize);
        snprintf(out, kBufferSize, g_zvclassFormats[kFormatNegative], scratch);
    }
    return out;
}
