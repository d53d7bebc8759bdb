#include "afxworkerdlg.h"

namespace {

const DWORD kRefreshIntervalMs = 50;

}  // namespace

CWorkerDialog::CWorkerDialog(UINT templateId, CWnd* parent, UINT refreshMessage)
    : CDialog(templateId, parent), m_refreshMessage(refreshMessage) {
    InitializeCriticalSection(&m_lock);
}

CWorkerDialog::~CWorkerDialog() { DeleteCriticalSection(&m_lock); }

bool CWorkerDialog::StartWorker() {
    InterlockedExchange(&m_cancel, 0);
    InterlockedExchange(&m_busy, 1);
    if (AfxBeginThread(&CWorkerDialog::WorkerEntry, this)) return true;
    InterlockedExchange(&m_busy, 0);
    return false;
}

UINT __cdecl CWorkerDialog::WorkerEntry(LPVOID param) {
    CWorkerDialog* self = static_cast<CWorkerDialog*>(param);
    int result = 0;
    try {
        result = self->RunWorker();
    } catch (...) {
        result = 0;
    }
    ::PostMessageA(self->m_hWnd, WM_AFX_WORKER_END, (WPARAM)result, 0);
    return 0;
}

void CWorkerDialog::RequestCancel() {
    InterlockedExchange(&m_cancel, 1);
    OnCancelRequest();
}

void CWorkerDialog::SetWorkerText(int id, const char* text, bool now) {
    EnterCriticalSection(&m_lock);
    m_pendingTexts[id] = text ? text : "";
    LeaveCriticalSection(&m_lock);
    RefreshFromWorker(now);
}

void CWorkerDialog::RefreshFromWorker(bool now) {
    DWORD tick = GetTickCount();
    bool onDialogThread = GetWindowThreadProcessId(m_hWnd, nullptr) == GetCurrentThreadId();
    EnterCriticalSection(&m_lock);
    bool due = now || onDialogThread || tick - m_lastRefresh >= kRefreshIntervalMs;
    if (due) m_lastRefresh = tick;
    LeaveCriticalSection(&m_lock);
    if (due) ::SendMessageA(m_hWnd, m_refreshMessage, 0, 0);
}

void CWorkerDialog::PaintWorkerTexts() {
    EnterCriticalSection(&m_lock);
    std::map<int, std::string> texts;
    texts.swap(m_pendingTexts);
    LeaveCriticalSection(&m_lock);
    for (const auto& text : texts) SetDlgItemText(text.first, text.second.c_str());
}

LRESULT CWorkerDialog::CallOnDialogThread(const std::function<LRESULT()>& call) {
    if (GetWindowThreadProcessId(m_hWnd, nullptr) == GetCurrentThreadId()) return call();
    return ::SendMessageA(m_hWnd, WM_AFX_WORKER_CALL, (WPARAM)&call, 0);
}

int CWorkerDialog::WorkerMessageBox(const char* text, UINT type) {
    return (int)CallOnDialogThread([&] { return (LRESULT)MessageBox(text, nullptr, type); });
}

BOOL CWorkerDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM, LRESULT* result) {
    if (msg == WM_AFX_WORKER_CALL) {
        *result = (*reinterpret_cast<const std::function<LRESULT()>*>(wParam))();
        return TRUE;
    }
    if (msg == WM_AFX_WORKER_END) {
        PaintWorkerTexts();
        InterlockedExchange(&m_busy, 0);
        OnWorkerEnd((int)wParam);
        *result = 0;
        return TRUE;
    }
    if (msg == m_refreshMessage) {
        OnWorkerRefresh();
        *result = 0;
        return TRUE;
    }
    return FALSE;
}
