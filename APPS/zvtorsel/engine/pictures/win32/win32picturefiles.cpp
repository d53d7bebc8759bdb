#include "pictures/win32/win32picturefiles.h"

#include <string.h>

#include "jobs/win32/temporaryfile.h"
#include "jobs/win32/widepath.h"
#include "jobs/win32/win32files.h"
#include "zvpix32.h"

bool CWin32PictureFiles::ListFolder(const char* folder, std::vector<DirEntry>& out) {
    CWin32FileSystem files;
    return files.ListFolder(folder, out);
}

bool CWin32PictureFiles::ReadAt(const char* path, DWORD offset, void* buffer, DWORD size, DWORD* got) {
    *got = 0;
    // Pictures of the rebuild folder may lie beyond MAX_PATH.
    HANDLE file = CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = SetFilePointer(file, (LONG)offset, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
              ReadFile(file, buffer, size, got, nullptr);
    CloseHandle(file);
    return ok;
}

bool ReadWholeFile(const char* path, std::vector<BYTE>& out, DWORD limit) {
    out.clear();
    HANDLE file = CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    bool ok = size != INVALID_FILE_SIZE && high == 0 && size <= limit;
    if (ok) {
        out.resize(size);
        DWORD got = 0;
        ok = size == 0 || (ReadFile(file, out.data(), size, &got, nullptr) && got == size);
    }
    CloseHandle(file);
    if (!ok) out.clear();
    return ok;
}

bool CWin32PictureFiles::ReadWhole(const char* path, std::vector<BYTE>& out) { return ReadWholeFile(path, out); }

// The new content goes to a temporary file beside the target, which then
// replaces it: a failed write leaves the old file as it was.
bool CWin32PictureFiles::WriteWhole(const char* path, const void* data, size_t size) {
    char temporary[kTemporaryPathSize];
    HANDLE file = CreateTemporaryBeside(path, temporary, sizeof temporary);
    bool ok = file != INVALID_HANDLE_VALUE;
    if (ok) {
        DWORD written = 0;
        ok = WriteFile(file, data, (DWORD)size, &written, nullptr) && written == size;
        ok = CloseHandle(file) && ok;
    }
    std::wstring wideTemporary = WidePath(temporary);
    ok = ok && MoveFileExW(wideTemporary.c_str(), WidePath(path).c_str(), MOVEFILE_REPLACE_EXISTING);
    if (!ok && file != INVALID_HANDLE_VALUE) DeleteFileW(wideTemporary.c_str());
    return ok;
}

LOGFONTA ThumbnailLogFont(const PictureScanSettings& s) {
    LOGFONTA font;
    memset(&font, 0, sizeof(font));
    font.lfHeight = s.fontHeight;
    font.lfWidth = s.fontWidth;
    font.lfEscapement = s.fontEscapement;
    font.lfOrientation = s.fontOrientation;
    font.lfWeight = s.fontWeight;
    font.lfItalic = s.fontItalic;
    font.lfUnderline = s.fontUnderline;
    font.lfStrikeOut = s.fontStrikeOut;
    font.lfCharSet = s.fontCharSet;
    font.lfOutPrecision = s.fontOutPrecision;
    font.lfClipPrecision = s.fontClipPrecision;
    font.lfQuality = s.fontQuality;
    font.lfPitchAndFamily = s.fontPitchFamily;
    lstrcpynA(font.lfFaceName, s.fontName.c_str(), LF_FACESIZE);
    return font;
}

CFontCaptionMaker::CFontCaptionMaker(const PictureScanSettings& settings) {
    LOGFONTA font = ThumbnailLogFont(settings);
    font_ = CreateFontIndirectA(&font);
}

CFontCaptionMaker::~CFontCaptionMaker() {
    if (font_) DeleteObject(font_);
}

HZVDIB CFontCaptionMaker::MakeCaption(int width, int height, const char* text, DibInfo* info) {
    info->size = DIBINFO_SIZE;
    return zvCreateDibTextA(width, height, text, font_, info);
}
