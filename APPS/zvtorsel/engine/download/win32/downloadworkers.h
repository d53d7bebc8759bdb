// The downloader's workers on Windows: threads of the framework, each
// fetching through the URL moniker download into the WinINet cache with its
// own status callback, whose answer E_ABORT stops a download on cancel.
#pragma once
#include <urlmon.h>
#include <windows.h>

#include "afxwin.h"
#include "download/downloader.h"

// The status callback of one worker slot. It is not reference counted: the
// workers object owns it for the whole run. Besides the status it answers the
// HTTP negotiation, to learn the response's status code: the moniker download
// can store an error page (404), or a body cut short, in the cache as if it
// were the URL's data.
class CBindCallback : public IBindStatusCallback {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG, LPCWSTR) override;
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return E_NOTIMPL; }

    volatile LONG m_cancel = 0;
    int m_slot = -1;
    CDownloader* m_owner = nullptr;
    // HTTP status of the last response (0 until one arrives) and the last
    // progress reported, to tell a complete download from one cut short.
    DWORD m_status = 0;
    ULONG m_progress = 0, m_progressMax = 0;

private:
    class CNegotiate : public IHttpNegotiate {
    public:
        explicit CNegotiate(CBindCallback& owner) : owner_(owner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
        ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
        ULONG STDMETHODCALLTYPE Release() override { return 1; }
        HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* extra) override;
        HRESULT STDMETHODCALLTYPE OnResponse(DWORD status, LPCWSTR, LPCWSTR, LPWSTR* extra) override;

    private:
        CBindCallback& owner_;
    };
    CNegotiate negotiate_{*this};
};

class CDownloadWorkers : public IDownloadWorkers {
public:
    CDownloadWorkers() = default;
    CDownloadWorkers(const CDownloadWorkers&) = delete;
    CDownloadWorkers& operator=(const CDownloadWorkers&) = delete;
    // Waits for workers that still run, so no thread outlives its callback.
    ~CDownloadWorkers() override;
    void Attach(CDownloader& owner) override;
    // Each worker is created suspended and resumed inside the downloader's lock.
    int Start(int count, bool& failed) override;
    bool AnyRunning() const override;
    void Finish() override;

    void Arm(int slot) override;
    void Cancel(int slot) override { callbacks_[slot].m_cancel = 1; }
    bool IsCancelled(int slot) const override { return callbacks_[slot].m_cancel != 0; }
    void Fetch(int slot, const char* url, char* file, DWORD cap) override;

private:
    static UINT __cdecl WorkerEntry(LPVOID callback);
    static bool FetchThroughWinInet(CBindCallback& callback, const char* url, char* file, DWORD cap);
    void FreeThreads();

    CDownloader* owner_ = nullptr;
    CBindCallback callbacks_[kMaxDownloadThreads];
    CWinThread* threads_[kMaxDownloadThreads] = {};
};

