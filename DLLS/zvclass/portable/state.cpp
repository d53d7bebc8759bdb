#include <string.h>

#include "zvclass.h"
#include "zvclass_internal.h"

int g_zvclassErrorMessages = 1;

char g_zvclassFormats[kFormatCount][48] = {
    "-%s", "%d", "%d,%03d", "%d,%03d,%03d", "%d,%03d,%03d,%03d", "%04d/%02d/%02d %02d:%02d:%02d",
};

void zvclassLoadFormats(int (*load)(UINT id, char* buffer, int size)) {
    for (int i = 0; i < kFormatCount; ++i) {
        int size = i == kFormatTime ? 48 : 32;
        char text[48];
        if (load((UINT)(i + 1), text, size) > 0) {
            text[size - 1] = 0;
            strcpy(g_zvclassFormats[i], text);
        }
    }
}

void zvclassReportError(UINT messageId) {
    if (g_zvclassErrorMessages) zvclassShowMessage(messageId);
}

zvCExDll::zvCExDll() : m_internal((void*)1) {}
zvCExDll::zvCExDll(const zvCExDll&) : m_internal((void*)1) {}
zvCExDll& zvCExDll::operator=(const zvCExDll&) { return *this; }
zvCExDll::~zvCExDll() {}
int zvCExDll::GetVersion() const { return 102; }
int zvCExDll::GetCtrlErrMsg() const { return g_zvclassErrorMessages; }
void zvCExDll::SetCtrlErrMsg(int on) { g_zvclassErrorMessages = on ? 1 : 0; }

int zvCInternal::IsInvalid() const { return m_internal == nullptr ? 1 : 0; }
void* zvCInternal::GetInternal() const { return m_internal; }
zvCInternal& zvCInternal::operator=(const zvCInternal& other) {
    m_internal = other.m_internal;
    return *this;
}
