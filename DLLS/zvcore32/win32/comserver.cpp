// COM self-registration under HKEY_CLASSES_ROOT, built on the registry helpers.
#include <objbase.h>
#include <stdio.h>

#include <string>

#include "zvcore32_win32.h"
#include "zvwinhelpers.h"

namespace {

const HRESULT kInvalidArg = (HRESULT)0x80070057;
const HRESULT kFail = (HRESULT)0x80004005;
const HRESULT kNoClassText = (HRESULT)0x80040201;

template <class Ch>
struct Texts;

template <>
struct Texts<char> {
    typedef std::string String;
    static String From(const char* ascii) { return ascii; }
    static String Number(const char* format, int a, int b) {
        char buffer[64];
        snprintf(buffer, sizeof(buffer), format, a, b);
        return buffer;
    }
    static HRESULT Guid(const GUID* id, char* out, int size) {
        WCHAR wide[64];
        if (!StringFromGUID2(*id, wide, 64)) return kFail;
        if (!WideCharToMultiByte(CP_ACP, 0, wide, -1, out, size, nullptr, nullptr)) return kFail;
        return S_OK;
    }
    static BOOL SetStr(const char* key, const char* subkey, const char* name, const char* value) {
        return zvRegSetKeyAndStrValueA(HKEY_CLASSES_ROOT, key, subkey, name, value);
    }
    static BOOL DeleteKey(const char* path) { return zvRegDeleteKeyA(HKEY_CLASSES_ROOT, path); }
};

template <>
struct Texts<WCHAR> {
    typedef std::wstring String;
    static String From(const char* ascii) {
        String s;
        while (*ascii) s += (WCHAR)(unsigned char)*ascii++;
        return s;
    }
    static String Number(const char* format, int a, int b) { return From(Texts<char>::Number(format, a, b).c_str()); }
    static HRESULT Guid(const GUID* id, WCHAR* out, int size) {
        WCHAR wide[64];
        int n = StringFromGUID2(*id, wide, 64);
        if (!n || n > size) return kFail;
        lstrcpynW(out, wide, size);
        return S_OK;
    }
    static BOOL SetStr(const WCHAR* key, const WCHAR* subkey, const WCHAR* name, const WCHAR* value) {
        return zvRegSetKeyAndStrValueW(HKEY_CLASSES_ROOT, key, subkey, name, value);
    }
    static BOOL DeleteKey(const WCHAR* path) { return zvRegDeleteKeyW(HKEY_CLASSES_ROOT, path); }
};

template <class Ch>
HRESULT GuidText(const GUID* id, Ch* out, int size) {
    if (!id || !out || size <= 0) return kInvalidArg;
    return Texts<Ch>::Guid(id, out, size);
}

template <class Ch>
HRESULT RegisterServer(const GUID* clsid, int flags, const Ch* modulePath, const Ch* description, const Ch* progId,
                       const Ch* independentProgId, int miscStatus, const GUID* typeLib, int version) {
    typedef Texts<Ch> T;
    typedef typename T::String String;
    if (!clsid || !modulePath) return kInvalidArg;
    Ch id[64];
    if (GuidText(clsid, id, 64) != S_OK) return kNoClassText;
    const String clsidKey = T::From("CLSID\\") + id;
    const Ch* key = clsidKey.c_str();
    auto sub = [&](const char* name) { return T::From(name); };

    T::SetStr(key, nullptr, nullptr, description);
    String server = sub((flags & 3) ? "LocalServer32" : "InprocServer32");
    T::SetStr(key, server.c_str(), nullptr, modulePath);
    static const char* const kThreading[] = {nullptr, "Apartment", "Free", "Both"};
    if (const char* model = kThreading[(flags >> 2) & 3])
        T::SetStr(key, server.c_str(), sub("ThreadingModel").c_str(), sub(model).c_str());
    if (flags & 16) T::SetStr(key, sub("Insertable").c_str(), nullptr, nullptr);
    if (flags & 32) T::SetStr(key, sub("Programmable").c_str(), nullptr, nullptr);
    if (flags & 64) T::SetStr(key, sub("Control").c_str(), nullptr, nullptr);
    if ((unsigned)flags >= 65536) {
        String bitmap = String(modulePath) + T::Number(",%d", (int)((unsigned)flags >> 16), 0);
        T::SetStr(key, sub("ToolboxBitmap32").c_str(), nullptr, bitmap.c_str());
    }
    if (miscStatus) {
        T::SetStr(key, sub("MiscStatus").c_str(), nullptr, sub("0").c_str());
        T::SetStr(key, sub("MiscStatus").c_str(), sub("1").c_str(), T::Number("%d", miscStatus, 0).c_str());
    }
    if (progId && progId[0]) {
        T::SetStr(key, sub("ProgID").c_str(), nullptr, progId);
        T::SetStr(progId, nullptr, nullptr, description);
        T::SetStr(progId, sub("CLSID").c_str(), nullptr, id);
    }
    if (independentProgId && independentProgId[0]) {
        T::SetStr(key, sub("VersionIndependentProgID").c_str(), nullptr, independentProgId);
        T::SetStr(independentProgId, nullptr, nullptr, description);
        T::SetStr(independentProgId, sub("CLSID").c_str(), nullptr, id);
        if (progId && progId[0]) T::SetStr(independentProgId, sub("CurVer").c_str(), nullptr, progId);
    }
    if (typeLib) {
        Ch lib[64];
        if (GuidText(typeLib, lib, 64) == S_OK) T::SetStr(key, sub("TypeLib").c_str(), nullptr, lib);
    }
    if (version) {
        String text = T::Number("%d.%d", version & 0xFFFF, (version >> 16) & 0xFFFF);
        T::SetStr(key, sub("Version").c_str(), nullptr, text.c_str());
    }
    return S_OK;
}

template <class Ch>
HRESULT UnregisterServer(const GUID* clsid, const Ch* progId, const Ch* independentProgId) {
    typedef Texts<Ch> T;
    if (!clsid) return kInvalidArg;
    Ch id[64];
    if (GuidText(clsid, id, 64) != S_OK) return kNoClassText;
    T::DeleteKey((T::From("CLSID\\") + id).c_str());
    if (progId && progId[0]) T::DeleteKey(progId);
    if (independentProgId && independentProgId[0]) T::DeleteKey(independentProgId);
    return S_OK;
}

}  // namespace

ZV_EXPORT(HRESULT) zvStringFromGuidA(const GUID* id, char* out, int size) { return GuidText(id, out, size); }
ZV_EXPORT(HRESULT) zvStringFromGuidW(const GUID* id, WCHAR* out, int size) { return GuidText(id, out, size); }

ZV_EXPORT(HRESULT) zvRegisterServerA(const GUID* clsid, int flags, const char* modulePath, const char* description,
                                     const char* progId, const char* independentProgId, int miscStatus,
                                     const GUID* typeLib, int version) {
    return RegisterServer(clsid, flags, modulePath, description, progId, independentProgId, miscStatus, typeLib,
                          version);
}
ZV_EXPORT(HRESULT) zvRegisterServerW(const GUID* clsid, int flags, const WCHAR* modulePath, const WCHAR* description,
                                     const WCHAR* progId, const WCHAR* independentProgId, int miscStatus,
                                     const GUID* typeLib, int version) {
    return RegisterServer(clsid, flags, modulePath, description, progId, independentProgId, miscStatus, typeLib,
                          version);
}
ZV_EXPORT(HRESULT) zvUnregisterServerA(const GUID* clsid, const char* progId, const char* independentProgId) {
    return UnregisterServer(clsid, progId, independentProgId);
}
ZV_EXPORT(HRESULT) zvUnregisterServerW(const GUID* clsid, const WCHAR* progId, const WCHAR* independentProgId) {
    return UnregisterServer(clsid, progId, independentProgId);
}
