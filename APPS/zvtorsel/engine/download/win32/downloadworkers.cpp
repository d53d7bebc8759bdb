#include "downloadworkers.h"

#include <objbase.h>
#include <wininet.h>

#include <string>

HRESULT STDMETHODCALLTYPE CBindCallback::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IHttpNegotiate)) {
        *out = static_cast<IHttpNegotiate*>(&negotiate_);
        return S_OK;
    }
    *out = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CBindCallback::CNegotiate::BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* extra) {
    if (extra) *extra = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBindCallback::CNegotiate::OnResponse(DWORD status, LPCWSTR, LPCWSTR, LPWSTR* extra) {
    if (extra) *extra = nullptr;
    owner_.m_status = status;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBindCallback::OnProgress(ULONG progress, ULONG progressMax, ULONG, LPCWSTR) {
    m_progress = progress;
    m_progressMax = progressMax;
    if (m_cancel) return E_ABORT;
    if (m_slot >= 0 && m_owner && !m_owner->Progress(m_slot, progress, progressMax)) return E_ABORT;
    return S_OK;
}

CDownloadWorkers::~CDownloadWorkers() {
    for (CWinThread* thread : threads_)
        if (thread) WaitForSingleObject(thread->m_hThread, INFINITE);
    FreeThreads();
}

void CDownloadWorkers::Attach(CDownloader& owner) {
    owner_ = &owner;
    for (CBindCallback& callback : callbacks_) callback.m_owner = &owner;
}

void CDownloadWorkers::Arm(int slot) {
    callbacks_[slot].m_cancel = 0;
    callbacks_[slot].m_slot = slot;
}

void CDownloadWorkers::Fetch(int slot, const char* url, char* file, DWORD cap) {
    CBindCallback& callback = callbacks_[slot];
    file[0] = 0;
    callback.m_status = 0;
    callback.m_progress = callback.m_progressMax = 0;
    HRESULT result = URLDownloadToCacheFileA(nullptr, url, file, cap, 0, &callback);
    file[cap - 1] = 0;
    if (FAILED(result)) {
        file[0] = 0;
        // Some moniker downloads refuse a URL without a file extension (a
        // folder URL) before sending any request: fetch those directly.
        if (callback.m_status == 0 && !callback.m_cancel) FetchThroughWinInet(callback, url, file, cap);
    } else if (callback.m_status >= 400 || callback.m_progress < callback.m_progressMax) {
        // An error page or a cut body is no copy of the URL: take it out of the cache again.
        DeleteUrlCacheEntryA(url);
        file[0] = 0;
    }
}

namespace {

// The extension of the URL's last path segment (before any query), for the
// cache file's name; empty when it has none.
std::string UrlExtension(const char* url) {
    std::string path(url, strcspn(url, "?#"));
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot + 1);
    return ext.size() <= 16 ? ext : "";
}

}  // namespace

bool CDownloadWorkers::FetchThroughWinInet(CBindCallback& callback, const char* url, char* file, DWORD cap) {
    HINTERNET session = InternetOpenA("z.v Torsel Sitekeeper", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!session) return false;
    // The entry is written here under the URL asked for, also after a redirect.
    HINTERNET request =
        InternetOpenUrlA(session, url, nullptr, 0, INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    bool complete = false;
    char path[MAX_PATH] = "";
    std::string ext = UrlExtension(url);
    if (request) {
        DWORD status = 0, total = 0, size = sizeof(status);
        if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
            status = 0;
        callback.m_status = status;
        size = sizeof(total);
        if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &total, &size, nullptr))
            total = 0;
        HANDLE out = INVALID_HANDLE_VALUE;
        if (status >= 200 && status < 300 &&
            CreateUrlCacheEntryA(url, total, ext.empty() ? nullptr : ext.c_str(), path, 0))
            out = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (out != INVALID_HANDLE_VALUE) {
            DWORD done = 0;
            bool failed = false;
            char buffer[8192];
            for (;;) {
                DWORD n = 0, written = 0;
                if (!InternetReadFile(request, buffer, sizeof(buffer), &n)) {
                    failed = true;
                    break;
                }
                if (n == 0) break;
                if (!WriteFile(out, buffer, n, &written, nullptr) || written != n) {
                    failed = true;
                    break;
                }
                done += n;
                if (callback.OnProgress(done, total, BINDSTATUS_DOWNLOADINGDATA, nullptr) == E_ABORT) {
                    failed = true;
                    break;
                }
            }
            CloseHandle(out);
            // A body cut short of its announced length is not the URL's data.
            complete = !failed && (total == 0 || done == total);
        }
        InternetCloseHandle(request);
    }
    InternetCloseHandle(session);
    if (complete) {
        FILETIME none = {0, 0};
        complete = CommitUrlCacheEntryA(url, path, none, none, NORMAL_CACHE_ENTRY, nullptr, 0,
                                        ext.empty() ? nullptr : ext.c_str(), nullptr) &&
                   strlen(path) < cap;
    }
    if (complete)
        strcpy(file, path);
    else if (path[0])
        DeleteFileA(path);
    return complete;
}

UINT __cdecl CDownloadWorkers::WorkerEntry(LPVOID param) {
    CBindCallback* callback = static_cast<CBindCallback*>(param);
    HRESULT com = CoInitialize(nullptr);
    callback->m_owner->Work(callback->m_slot);
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}

int CDownloadWorkers::Start(int count, bool& failed) {
    failed = false;
    count = ClampThreadCount(count);
    FreeThreads();
    int started = 0;
    owner_->Lock();
    for (int slot = 0; slot < count; ++slot) {
        Arm(slot);
        CWinThread* thread =
            AfxBeginThread(WorkerEntry, &callbacks_[slot], THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
        if (!thread) {
            for (int s = 0; s < slot; ++s) Cancel(s);
            failed = true;
            break;
        }
        thread->m_bAutoDelete = FALSE;
        threads_[slot] = thread;
        thread->ResumeThread();
        ++started;
    }
    owner_->Unlock();
    return started;
}

bool CDownloadWorkers::AnyRunning() const {
    for (CWinThread* thread : threads_) {
        DWORD code = 0;
        if (thread && GetExitCodeThread(thread->m_hThread, &code) && code == STILL_ACTIVE) return true;
    }
    return false;
}

void CDownloadWorkers::FreeThreads() {
    for (CWinThread*& thread : threads_) {
        delete thread;
        thread = nullptr;
    }
}

void CDownloadWorkers::Finish() {
    FreeThreads();
    owner_->FlushList();
}
