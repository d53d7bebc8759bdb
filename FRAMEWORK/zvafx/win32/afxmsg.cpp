#include "afxwin.h"

namespace {

CString& AppName() {
    static CString name;
    return name;
}

AfxMessageBoxHandler g_handler;

int ShowBox(const char* text, const char* caption, UINT type) {
    if (g_handler) return g_handler(text, caption, type);
    HWND owner = GetActiveWindow();
    return MessageBoxA(owner, text, caption, type | (owner ? 0 : MB_TASKMODAL));
}

}  // namespace

const char* AfxGetAppName() {
    if (AppName().IsEmpty()) {
        char path[MAX_PATH];
        DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
        path[length < sizeof path ? length : sizeof path - 1] = 0;
        CString name(path);
        int slash = name.ReverseFind('\\');
        if (slash >= 0) name = name.Mid(slash + 1);
        int dot = name.ReverseFind('.');
        if (dot > 0) name = name.Left(dot);
        AppName() = name;
    }
    return AppName();
}

void AfxSetAppName(const char* name) { AppName() = name ? name : ""; }

AfxMessageBoxHandler AfxSetMessageBoxHandler(AfxMessageBoxHandler handler) {
    AfxMessageBoxHandler previous = g_handler;
    g_handler = handler;
    return previous;
}

int AfxMessageBox(const char* text, UINT type, UINT) { return ShowBox(text ? text : "", AfxGetAppName(), type); }

int AfxMessageBox(UINT id, UINT type, UINT) {
    CString text;
    text.LoadString(id);
    return ShowBox(text, AfxGetAppName(), type);
}

int CWnd::MessageBox(const char* text, const char* caption, UINT type) {
    if (g_handler) return g_handler(text ? text : "", caption ? caption : AfxGetAppName(), type);
    return ::MessageBoxA(m_hWnd, text, caption ? caption : AfxGetAppName(), type);
}
