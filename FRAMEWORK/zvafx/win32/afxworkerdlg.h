// A dialog that runs one job in a worker thread. Every call of the worker
// that touches the window is carried over to the dialog's thread: texts and
// counters are stored under a lock and painted on a refresh message, and
// questions and warnings run there as calls, so a message box is always
// owned by the dialog and holds it while the worker waits for the answer.
#pragma once
#include <functional>
#include <map>
#include <string>

#include "afxwin.h"

// The framework's private messages sit at the top of the WM_APP range; a
// program's own numbers stay below kAfxFirstPrivateMessage.
const UINT kAfxFirstPrivateMessage = WM_APP + 0x3F00;
// Sent by a worker: run the call wParam points at on the dialog's thread.
const UINT WM_AFX_WORKER_CALL = kAfxFirstPrivateMessage;
// Posted as the worker ends; wParam is its result.
const UINT WM_AFX_WORKER_END = kAfxFirstPrivateMessage + 1;

class CWorkerDialog : public CDialog {
public:
    // refreshMessage: the number sent when stored texts wait to be painted.
    CWorkerDialog(UINT templateId, CWnd* parent, UINT refreshMessage);
    ~CWorkerDialog() override;

    bool WorkerBusy() const { return m_busy != 0; }
    bool CancelRequested() const { return m_cancel != 0; }

protected:
    // Starts RunWorker in a new thread; false when no thread can be made.
    bool StartWorker();
    // The job, in the worker thread; its result goes to OnWorkerEnd. Dialogs
    // whose workers come from an engine of their own use only the calls below.
    virtual int RunWorker() { return 0; }
    // On the dialog's thread after the worker returned and the last texts were painted.
    virtual void OnWorkerEnd(int) {}
    // Sets the cancel flag and tells the job through OnCancelRequest.
    void RequestCancel();
    virtual void OnCancelRequest() {}
    // The flag for engines that poll a word of their own.
    volatile LONG* CancelFlag() { return &m_cancel; }

    // Progress: the text of control `id`, painted on the next refresh. A
    // worker refreshes at most every 50 ms unless `now` is set.
    void SetWorkerText(int id, const char* text, bool now = false);
    // Sends the refresh message (throttled like SetWorkerText).
    void RefreshFromWorker(bool now);
    // On the refresh message: paints the texts stored since the last paint;
    // dialogs add their own.
    virtual void OnWorkerRefresh() { PaintWorkerTexts(); }
    void PaintWorkerTexts();

    // Runs `call` on the dialog's thread and returns its result; from that
    // thread itself it runs at once.
    LRESULT CallOnDialogThread(const std::function<LRESULT()>& call);
    // A message box owned by the dialog, shown on its thread from any thread.
    int WorkerMessageBox(const char* text, UINT type);

    // Derived dialogs pass the messages they do not handle on to this one.
    BOOL OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    static UINT __cdecl WorkerEntry(LPVOID self);

    UINT m_refreshMessage;
    volatile LONG m_busy = 0;
    volatile LONG m_cancel = 0;
    CRITICAL_SECTION m_lock;
    std::map<int, std::string> m_pendingTexts;  // not yet painted; guarded by m_lock
    DWORD m_lastRefresh = 0;                    // worker threads, under m_lock
};
