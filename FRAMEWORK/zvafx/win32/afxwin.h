// The application framework the program and its class library are built on:
// the few framework classes and functions they use, as thin Win32 wrappers.
#pragma once
#include <windows.h>

#include "afxstr.h"

// ---- Resources -----------------------------------------------------------

// The modules searched for resources: the one set with AfxSetResourceHandle
// (the program itself by default), then each registered extension module.
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE instance);

struct AFX_EXTENSION_MODULE {
    BOOL bInitialized;
    HMODULE hModule;
};
BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& module, HMODULE instance);
void AfxTermExtensionModule(AFX_EXTENSION_MODULE& module);

// Loads string `id` into buffer (at most size bytes with the terminator);
// returns its length, 0 when no module has it.
int AfxLoadString(UINT id, char* buffer, int size);

// String `id` of the resource chain, empty when no module has it.
CString AfxLoadText(UINT id);
// String `id` with its first "%s" filled by arg (AfxFillText).
CString AfxLoadText(UINT id, const char* arg);
// value with the user's thousands separators ("," in groups of three when
// the system gives none).
CString AfxFormatCount(DWORD value);
// The same into a caller's buffer of cap bytes (cut when too small).
void AfxFormatCount(DWORD value, char* out, int cap);

// ---- Message boxes ---------------------------------------------------------

// Caption of the framework's message boxes: the application's title.
const char* AfxGetAppName();
void AfxSetAppName(const char* name);

// Tests and headless runs replace the box; the handler returns the answer
// (IDOK, IDYES, ...). Null restores the system box.
typedef int (*AfxMessageBoxHandler)(const char* text, const char* caption, UINT type);
AfxMessageBoxHandler AfxSetMessageBoxHandler(AfxMessageBoxHandler handler);

int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpId = 0);
// The text is string `id` of the resource chain.
int AfxMessageBox(UINT id, UINT type = MB_OK, UINT helpId = (UINT)-1);

// ---- Threads ---------------------------------------------------------------

typedef UINT(__cdecl* AFX_THREADPROC)(LPVOID);

class CWinThread {
public:
    CWinThread() = default;
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;
    virtual ~CWinThread();

    DWORD ResumeThread() { return ::ResumeThread(m_hThread); }
    DWORD SuspendThread() { return ::SuspendThread(m_hThread); }
    BOOL SetThreadPriority(int priority) { return ::SetThreadPriority(m_hThread, priority); }
    operator HANDLE() const { return m_hThread; }

    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;
    // When true the object deletes itself as the thread ends; set it to false
    // (thread created suspended) to keep the handle for GetExitCodeThread.
    BOOL m_bAutoDelete = TRUE;

private:
    friend CWinThread* AfxBeginThread(AFX_THREADPROC, LPVOID, int, UINT, DWORD, LPSECURITY_ATTRIBUTES);
    static unsigned __stdcall Entry(void* self);
    AFX_THREADPROC m_proc = nullptr;
    LPVOID m_param = nullptr;
};

// Starts proc(param) in a new thread; null when the thread cannot be created.
CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority = THREAD_PRIORITY_NORMAL,
                           UINT stackSize = 0, DWORD createFlags = 0, LPSECURITY_ATTRIBUTES security = nullptr);

// ---- Application and settings ---------------------------------------------

class CWinApp {
public:
    explicit CWinApp(const char* appName = nullptr);
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return 0; }

    // Settings then live under HKEY_CURRENT_USER\Software\<key>\<app>\<section>;
    // without a key they go to "<app>.ini" in the Windows folder.
    void SetRegistryKey(const char* key);

    UINT GetProfileInt(const char* section, const char* entry, int defaultValue);
    BOOL WriteProfileInt(const char* section, const char* entry, int value);
    CString GetProfileString(const char* section, const char* entry, const char* defaultValue = nullptr);
    BOOL WriteProfileString(const char* section, const char* entry, const char* value);
    // Binary values: *data is new[]'ed and owned by the caller.
    BOOL GetProfileBinary(const char* section, const char* entry, BYTE** data, UINT* bytes);
    BOOL WriteProfileBinary(const char* section, const char* entry, const BYTE* data, UINT bytes);

    // The key HKEY_CURRENT_USER\Software\<key>\<app>\<section>, created when
    // missing unless only read (a read leaves no empty key behind); null
    // without a registry key or, read only, without the section. The caller
    // closes it.
    HKEY GetSectionKey(const char* section, bool readOnly = false);

    CString m_appName;
    CString m_registryKey;
    CString m_profileName;
    HINSTANCE m_hInstance = nullptr;
    const char* m_lpCmdLine = "";
};

CWinApp* AfxGetApp();
// Runs the application object: InitInstance, then ExitInstance; the result
// is the process exit code.
int AfxWinMain(HINSTANCE instance, LPSTR commandLine);

// ---- Windows and dialogs ----------------------------------------------------

class CWnd {
public:
    CWnd() = default;
    explicit CWnd(HWND hwnd) : m_hWnd(hwnd) {}
    virtual ~CWnd() = default;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }
    BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
    BOOL ShowWindow(int show) { return ::ShowWindow(m_hWnd, show); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    void SetWindowText(const char* text) { ::SetWindowTextA(m_hWnd, text); }
    CString GetWindowText() const;
    LRESULT SendMessage(UINT msg, WPARAM w = 0, LPARAM l = 0) { return ::SendMessageA(m_hWnd, msg, w, l); }
    BOOL PostMessage(UINT msg, WPARAM w = 0, LPARAM l = 0) { return ::PostMessageA(m_hWnd, msg, w, l); }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
    BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
    void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void SetDlgItemText(int id, const char* text) { ::SetDlgItemTextA(m_hWnd, id, text); }
    CString GetDlgItemText(int id) const;
    void SetDlgItemInt(int id, UINT value, BOOL isSigned = TRUE) { ::SetDlgItemInt(m_hWnd, id, value, isSigned); }
    UINT GetDlgItemInt(int id, BOOL* translated = nullptr, BOOL isSigned = TRUE) const {
        return ::GetDlgItemInt(m_hWnd, id, translated, isSigned);
    }
    void CheckDlgButton(int id, UINT check) { ::CheckDlgButton(m_hWnd, id, check); }
    UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }
    LRESULT SendDlgItemMessage(int id, UINT msg, WPARAM w = 0, LPARAM l = 0) {
        return ::SendDlgItemMessageA(m_hWnd, id, msg, w, l);
    }
    // A box owned by this window, captioned with the application's title by default.
    int MessageBox(const char* text, const char* caption = nullptr, UINT type = MB_OK);

    HWND m_hWnd = nullptr;
};

// A modal dialog from a dialog template resource. Derived classes override
// the handlers; `this` is attached at WM_INITDIALOG.
class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr) : m_templateId(templateId), m_parent(parent) {}
    // In-memory template (DLGTEMPLATE) instead of a resource.
    CDialog(const DLGTEMPLATE* dialogTemplate, CWnd* parent) : m_template(dialogTemplate), m_parent(parent) {}

    // IDOK / IDCANCEL / the EndDialog value, or -1 when the dialog could not be created.
    virtual INT_PTR DoModal();
    void EndDialog(INT_PTR result) { ::EndDialog(m_hWnd, result); }

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // True when the command was handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM, LPARAM, LRESULT*) { return FALSE; }
    virtual void OnTimer(UINT_PTR) {}
    virtual void OnSize(UINT, int, int) {}
    virtual void OnDestroy() {}
    // Any other message; return true with *result set when handled.
    virtual BOOL OnMessage(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);

    UINT m_templateId = 0;
    const DLGTEMPLATE* m_template = nullptr;
    CWnd* m_parent;
};
