#include "dialogreport.h"

#include "afxwin.h"
#include "panecontrols.h"

void CDialogJobReport::StatusText(const char* text) {
    {
        std::lock_guard<std::mutex> hold(lock_);
        status_ = text ? text : "";
    }
    view_->NotifyStatus(false);
}

void CDialogJobReport::StatusMessage(UINT id) {
    char text[512];
    if (!AfxLoadString(id, text, sizeof(text))) text[0] = '\0';
    {
        std::lock_guard<std::mutex> hold(lock_);
        status_ = text;
    }
    // Step messages are few and must not be skipped.
    view_->NotifyStatus(true);
}

std::string CDialogJobReport::Status() {
    std::lock_guard<std::mutex> hold(lock_);
    return status_;
}

void CDialogJobReport::Warning(const char* path, UINT id) {
    char text[512];
    if (!AfxLoadString(id, text, sizeof(text))) text[0] = '\0';
    SendMessageA(dialog_, WM_TREE_WARNING, (WPARAM)(path ? path : ""), (LPARAM)text);
}

bool CDialogJobReport::Ask(UINT id, const char* arg) {
    return SendMessageA(dialog_, WM_TREE_ASK, id, (LPARAM)arg) != 0;
}

void CDialogJobReport::Notify(UINT id, const char* arg) { SendMessageA(dialog_, WM_TREE_NOTIFY, id, (LPARAM)arg); }
