// Splitter window classes, the folder picker, window placement, registry and
// COM self-registration helpers of zvcore32.
#pragma once
#include <windows.h>

#include "zvtypes.h"

// Cursor resources of the splitter classes.
#define ZV_IDC_HSPLITTER 1001
#define ZV_IDC_VSPLITTER 1002

// Registers "zvHSplitter" and "zvVSplitter" once per process.
ZV_EXPORT(void) zvInitSplitter(void);
// Registers the classes when not done yet and makes message (0: WM_COMMAND)
// the notification sent to the parent while dragging; returns the message in force.
ZV_EXPORT(UINT) zvInitSplitterEx(UINT message);

// Shows the shell's folder picker starting at initial; path receives the
// chosen folder (MAX_PATH bytes). 0 on cancel (error code 0).
ZV_EXPORT(BOOL) zvBrowseFolderA(HWND owner, const char* title, char* path, const char* initial);
ZV_EXPORT(BOOL) zvBrowseFolderW(HWND owner, const WCHAR* title, WCHAR* path, const WCHAR* initial);

// Left (low half) and top (high half) of the window's normal rectangle.
ZV_EXPORT(ULONGLONG) zvGetWindowPosi(HWND window);
ZV_EXPORT(BOOL) zvSetWindowPosi(HWND window, int left, int top);
ZV_EXPORT(BOOL) zvCenterWindowPosi(HWND window);

// Registry: the key opened is "key\subkey", or key alone when subkey is null or empty.
ZV_EXPORT(BOOL) zvRegFindKeyA(HKEY root, const char* key, const char* subkey);
ZV_EXPORT(BOOL) zvRegGetStrValueA(HKEY root, const char* key, const char* subkey, const char* name, char* buffer,
                                  DWORD size);
ZV_EXPORT(BOOL) zvRegGetDwordValueA(HKEY root, const char* key, const char* subkey, const char* name, DWORD* value);
ZV_EXPORT(BOOL) zvRegGetBinValueA(HKEY root, const char* key, const char* subkey, const char* name, void* buffer,
                                  DWORD size);
ZV_EXPORT(BOOL) zvRegSetKeyAndStrValueA(HKEY root, const char* key, const char* subkey, const char* name,
                                        const char* value);
ZV_EXPORT(BOOL) zvRegSetKeyAndDwordValueA(HKEY root, const char* key, const char* subkey, const char* name,
                                          DWORD value);
ZV_EXPORT(BOOL) zvRegSetKeyAndBinValueA(HKEY root, const char* key, const char* subkey, const char* name,
                                        const void* data, DWORD size);
ZV_EXPORT(BOOL) zvRegDeleteKeyA(HKEY root, const char* path);

ZV_EXPORT(BOOL) zvRegFindKeyW(HKEY root, const WCHAR* key, const WCHAR* subkey);
ZV_EXPORT(BOOL) zvRegGetStrValueW(HKEY root, const WCHAR* key, const WCHAR* subkey, const WCHAR* name, WCHAR* buffer,
                                  DWORD size);
ZV_EXPORT(BOOL) zvRegGetDwordValueW(HKEY root, const WCHAR* key, const WCHAR* subkey, const WCHAR* name, DWORD* value);
ZV_EXPORT(BOOL) zvRegGetBinValueW(HKEY root, const WCHAR* key, const WCHAR* subkey, const WCHAR* name, void* buffer,
                                  DWORD size);
ZV_EXPORT(BOOL) zvRegSetKeyAndStrValueW(HKEY root, const WCHAR* key, const WCHAR* subkey, const WCHAR* name,
                                        const WCHAR* value);
ZV_EXPORT(BOOL) zvRegSetKeyAndDwordValueW(HKEY root, const WCHAR* key, const WCHAR* subkey, const WCHAR* name,
                                          DWORD value);
ZV_EXPORT(BOOL) zvRegSetKeyAndBinValueW(HKEY root, const WCHAR* key, const WCHAR* subkey, const WCHAR* name,
                                        const void* data, DWORD size);
ZV_EXPORT(BOOL) zvRegDeleteKeyW(HKEY root, const WCHAR* path);

// COM self-registration under HKEY_CLASSES_ROOT; results are COM status codes.
ZV_EXPORT(HRESULT) zvStringFromGuidA(const GUID* id, char* out, int size);
ZV_EXPORT(HRESULT) zvStringFromGuidW(const GUID* id, WCHAR* out, int size);
ZV_EXPORT(HRESULT) zvRegisterServerA(const GUID* clsid, int flags, const char* modulePath, const char* description,
                                     const char* progId, const char* independentProgId, int miscStatus,
                                     const GUID* typeLib, int version);
ZV_EXPORT(HRESULT) zvRegisterServerW(const GUID* clsid, int flags, const WCHAR* modulePath, const WCHAR* description,
                                     const WCHAR* progId, const WCHAR* independentProgId, int miscStatus,
                                     const GUID* typeLib, int version);
ZV_EXPORT(HRESULT) zvUnregisterServerA(const GUID* clsid, const char* progId, const char* independentProgId);
ZV_EXPORT(HRESULT) zvUnregisterServerW(const GUID* clsid, const WCHAR* progId, const WCHAR* independentProgId);
