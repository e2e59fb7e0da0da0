#include "platform/ShellLink.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/Com.h"

namespace cx {

std::wstring ShortcutTargetW(const std::wstring& linkPath) {
    // Whatever apartment the thread is in already is fine for an in-process object.
    ComInit com;
    try {
        ComPtr<IShellLinkW> link;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    link.put_void())))
            return {};
        ComPtr<IPersistFile> file;
        if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return {};
        if (FAILED(file->Load(linkPath.c_str(), STGM_READ))) return {};
        wchar_t raw[MAX_PATH + 1] = {};
        if (FAILED(link->GetPath(raw, MAX_PATH, nullptr, SLGP_RAWPATH))) return {};
        return raw;
    } catch (...) {
        return {};
    }
}

}  // namespace cx
