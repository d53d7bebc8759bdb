#include "afxwin.h"

CString CWnd::GetWindowText() const {
    CString text;
    int length = GetWindowTextLengthA(m_hWnd);
    char* buffer = text.GetBuffer(length + 1);
    ::GetWindowTextA(m_hWnd, buffer, length + 1);
    text.ReleaseBuffer();
    return text;
}

CString CWnd::GetDlgItemText(int id) const {
    HWND item = ::GetDlgItem(m_hWnd, id);
    return item ? CWnd(item).GetWindowText() : CString();
}

INT_PTR CDialog::DoModal() {
    HWND owner = m_parent ? m_parent->m_hWnd : GetActiveWindow();
    if (m_template) {
        return DialogBoxIndirectParamA(AfxGetResourceHandle(), m_template, owner, &CDialog::DialogProc, (LPARAM)this);
    }
    return DialogBoxParamA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_templateId), owner, &CDialog::DialogProc,
                           (LPARAM)this);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM) {
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOK();
        return TRUE;
    case IDCANCEL:
        OnCancel();
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CDialog* self;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, (LONG_PTR)self);
        self->m_hWnd = hwnd;
    } else {
        self = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;
    // An exception must not unwind through the system's dialog manager.
    try {
        return self->Dispatch(msg, wParam, lParam);
    } catch (...) {
        ::EndDialog(hwnd, -1);
        return TRUE;
    }
}

INT_PTR CDialog::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        return OnCommand(wParam, lParam);
    case WM_NOTIFY:
        if (OnNotify(wParam, lParam, &result)) {
            SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
            return TRUE;
        }
        return FALSE;
    case WM_TIMER:
        OnTimer(wParam);
        return TRUE;
    case WM_SIZE:
        OnSize((UINT)wParam, LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        m_hWnd = nullptr;
        return FALSE;
    }
    if (OnMessage(msg, wParam, lParam, &result)) {
        // These messages take their result as the procedure's return value.
        if ((msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) || msg == WM_QUERYDRAGICON ||
            msg == WM_COMPAREITEM || msg == WM_VKEYTOITEM || msg == WM_CHARTOITEM)
            return (INT_PTR)result;
        SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    return FALSE;
}
