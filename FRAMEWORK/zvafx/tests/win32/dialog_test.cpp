#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "afxwin.h"

namespace {

// An in-memory dialog template: one edit control (id 100) and an OK button.
class Template {
public:
    Template() {
        Align();
        DLGTEMPLATE dlg = {};
        dlg.style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | DS_SETFONT;
        dlg.cdit = 2;
        dlg.cx = 120;
        dlg.cy = 60;
        Put(&dlg, sizeof dlg);
        Word(0);  // menu
        Word(0);  // class
        Text(L"test");
        Word(9);
        Text(L"MS UI Gothic");
        Item(100, 0x0081, ES_AUTOHSCROLL | WS_BORDER | WS_CHILD | WS_VISIBLE, 5, 5, 100, 12, L"");
        Item(IDOK, 0x0080, BS_DEFPUSHBUTTON | WS_CHILD | WS_VISIBLE, 5, 25, 40, 14, L"OK");
    }
    const DLGTEMPLATE* get() const { return (const DLGTEMPLATE*)bytes_.data(); }

private:
    void Put(const void* p, size_t n) {
        const BYTE* b = (const BYTE*)p;
        bytes_.insert(bytes_.end(), b, b + n);
    }
    void Word(WORD w) { Put(&w, 2); }
    void Text(const wchar_t* s) {
        do Word((WORD)*s);
        while (*s++);
    }
    void Align() {
        while (bytes_.size() % 4) bytes_.push_back(0);
    }
    void Item(WORD id, WORD atom, DWORD style, short x, short y, short cx, short cy, const wchar_t* text) {
        Align();
        DLGITEMTEMPLATE item = {style, 0, x, y, cx, cy, id};
        Put(&item, sizeof item);
        Word(0xFFFF);
        Word(atom);
        Text(text);
        Word(0);
    }
    std::vector<BYTE> bytes_;
};

class EchoDialog : public CDialog {
public:
    explicit EchoDialog(const DLGTEMPLATE* t) : CDialog(t, nullptr) {}
    CString typed;
    int timers = 0;

protected:
    BOOL OnInitDialog() override {
        SetDlgItemText(100, "\x83\x5c\x95\x5c");  // ソ表
        SetTimer(1, 10);
        return TRUE;
    }
    void OnTimer(UINT_PTR) override {
        if (++timers == 2) {
            KillTimer(1);
            PostMessage(WM_COMMAND, IDOK);
        }
    }
    void OnOK() override {
        typed = GetDlgItemText(100);
        CDialog::OnOK();
    }
};

}  // namespace

TEST(Dialog, ModalLoopDispatchesToHandlers) {
    Template t;
    EchoDialog dialog(t.get());
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.timers, 2);
    EXPECT_STREQ(dialog.typed, "\x83\x5c\x95\x5c");
}

namespace {

// A handler's result reaches the sender both for ordinary messages (through
// DWLP_MSGRESULT) and for the colour messages, whose result is the procedure's own.
class ResultDialog : public CDialog {
public:
    explicit ResultDialog(const DLGTEMPLATE* t) : CDialog(t, nullptr) {}
    LRESULT colour = 0, custom = 0;

protected:
    BOOL OnInitDialog() override {
        colour = ::SendMessageA(m_hWnd, WM_CTLCOLORSTATIC, 0, (LPARAM)GetDlgItem(100));
        custom = ::SendMessageA(m_hWnd, WM_APP, 0, 0);
        PostMessage(WM_COMMAND, IDOK);
        return TRUE;
    }
    BOOL OnMessage(UINT msg, WPARAM, LPARAM, LRESULT* result) override {
        if (msg == WM_CTLCOLORSTATIC) {
            *result = (LRESULT)GetStockObject(BLACK_BRUSH);
            return TRUE;
        }
        if (msg == WM_APP) {
            *result = 1234;
            return TRUE;
        }
        return FALSE;
    }
};

}  // namespace

TEST(Dialog, HandlerResultsReachTheSender) {
    Template t;
    ResultDialog dialog(t.get());
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ((LRESULT)GetStockObject(BLACK_BRUSH), dialog.colour);
    EXPECT_EQ(1234, dialog.custom);
}
