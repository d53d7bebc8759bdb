// Dialog 112 "Susie Plug-in 設定" (the list of registered plug-ins) and
// dialog 113 "SPI の追加" (one extension and DLL path).
#pragma once
#include <string>
#include <vector>

#include "afxwin.h"
#include "pictures/spilist.h"

class CSpiAddDlg : public CDialog {
public:
    explicit CSpiAddDlg(CWnd* parent = nullptr);
    std::string extension;
    std::string path;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;
};

class CSpiSettingsDlg : public CDialog {
public:
    // Starts from the process-wide plug-in table.
    explicit CSpiSettingsDlg(CWnd* parent = nullptr);
    // The rows shown (after OK: the rows stored).
    const std::vector<SpiListEntry>& Rows() const { return rows_; }

protected:
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnOK() override;

private:
    void FillList();
    void AddRow();
    void DeleteRow();

    std::vector<SpiListEntry> rows_;
};
