#include <process.h>

#include "afxwin.h"

CWinThread::~CWinThread() {
    if (m_hThread) CloseHandle(m_hThread);
}

unsigned __stdcall CWinThread::Entry(void* self) {
    CWinThread* thread = static_cast<CWinThread*>(self);
    UINT result = 0;
    // A worker's failure ends its job, never the program.
    try {
        result = thread->m_proc(thread->m_param);
    } catch (...) {
        result = (UINT)-1;
    }
    if (thread->m_bAutoDelete) delete thread;
    return result;
}

CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority, UINT stackSize, DWORD createFlags,
                           LPSECURITY_ATTRIBUTES security) {
    if (!proc) return nullptr;
    CWinThread* thread = new CWinThread;
    thread->m_proc = proc;
    thread->m_param = param;
    unsigned id = 0;
    // Always created suspended, so the object is complete before the thread runs.
    uintptr_t handle = _beginthreadex(security, stackSize, &CWinThread::Entry, thread, CREATE_SUSPENDED, &id);
    if (!handle) {
        delete thread;
        return nullptr;
    }
    thread->m_hThread = (HANDLE)handle;
    thread->m_nThreadID = id;
    ::SetThreadPriority(thread->m_hThread, priority);
    if (!(createFlags & CREATE_SUSPENDED)) thread->ResumeThread();
    return thread;
}
