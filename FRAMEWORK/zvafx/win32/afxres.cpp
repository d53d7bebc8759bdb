#include <stdio.h>
#include <string.h>

#include <vector>

#include "afxwin.h"
#include "zvlibrary.h"

namespace {

HINSTANCE g_resourceHandle;
std::vector<HMODULE>& ExtensionModules() {
    static std::vector<HMODULE> modules;
    return modules;
}

int LoadFrom(HINSTANCE module, UINT id, char* buffer, int size) {
    // LoadStringA cuts at a byte boundary; cut back to a whole character.
    int length = LoadStringA(module, id, buffer, size);
    if (length <= 0) return 0;
    int whole = 0;
    for (int i = 0; i < length;) {
        int n = IsDBCSLeadByte((BYTE)buffer[i]) ? 2 : 1;
        if (i + n > length) break;
        i += n;
        whole = i;
    }
    buffer[whole] = 0;
    return whole;
}

}  // namespace

HINSTANCE AfxGetInstanceHandle() { return GetModuleHandleA(nullptr); }

HINSTANCE AfxGetResourceHandle() { return g_resourceHandle ? g_resourceHandle : GetModuleHandleA(nullptr); }

void AfxSetResourceHandle(HINSTANCE instance) { g_resourceHandle = instance; }

BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& module, HMODULE instance) {
    module.hModule = instance;
    module.bInitialized = TRUE;
    ExtensionModules().push_back(instance);
    return TRUE;
}

void AfxTermExtensionModule(AFX_EXTENSION_MODULE& module) {
    auto& modules = ExtensionModules();
    for (size_t i = 0; i < modules.size(); ++i) {
        if (modules[i] == module.hModule) {
            modules.erase(modules.begin() + (long)i);
            break;
        }
    }
    module.bInitialized = FALSE;
}

int AfxLoadString(UINT id, char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    buffer[0] = 0;
    int length = LoadFrom(AfxGetResourceHandle(), id, buffer, size);
    for (size_t i = 0; length == 0 && i < ExtensionModules().size(); ++i) {
        length = LoadFrom(ExtensionModules()[i], id, buffer, size);
    }
    return length;
}

BOOL CString::LoadString(UINT id) {
    // String table entries hold at most 4097 UTF-16 units: 8194 bytes in code page 932.
    char buffer[8200];
    int length = AfxLoadString(id, buffer, sizeof buffer);
    *this = CString(buffer, length);
    return length > 0;
}

void CString::Format(UINT formatId, ...) {
    CString format;
    format.LoadString(formatId);
    va_list args;
    va_start(args, formatId);
    FormatV(format, args);
    va_end(args);
}

CString AfxLoadText(UINT id) {
    CString text;
    text.LoadString(id);
    return text;
}

CString AfxLoadText(UINT id, const char* arg) { return AfxFillText(AfxLoadText(id), arg); }

void AfxFormatCount(DWORD value, char* out, int cap) {
    if (!out || cap <= 0) return;
    if (zvFigureSepInt32A((int)value, out, cap, 0) && out[0]) return;
    // Without the system's format: groups of three digits with ",".
    char digits[16], grouped[32];
    int count = snprintf(digits, sizeof digits, "%lu", (unsigned long)value), length = 0;
    for (int i = 0; i < count; ++i) {
        if (i > 0 && (count - i) % 3 == 0) grouped[length++] = ',';
        grouped[length++] = digits[i];
    }
    grouped[length] = 0;
    snprintf(out, (size_t)cap, "%s", grouped);
}

CString AfxFormatCount(DWORD value) {
    char text[32];
    AfxFormatCount(value, text, sizeof text);
    return text;
}
