#include "startup/Shortcut.h"

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/Com.h"
#include "platform/Error.h"
#include "platform/ShellLink.h"
#include "platform/Strings.h"

namespace cx::startup {

std::string LinkFileName(const std::string& linkPath) {
    size_t slash = linkPath.find_last_of("\\:");
    size_t dot = linkPath.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return linkPath + ".lnk";
    return linkPath.substr(0, dot) + ".lnk";
}

bool CreateShortcut(const std::string& target, const std::string& linkPath) {
    ComPtr<IShellLinkW> link;
    ThrowIfFailed(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   link.put_void()));
    ComPtr<IPersistFile> file;
    ThrowIfFailed(link->QueryInterface(IID_IPersistFile, file.put_void()));
    if (FAILED(link->SetPath(AnsiToWide(target).c_str()))) return false;
    if (FAILED(link->SetWorkingDirectory(AnsiToWide(ExtractFilePath(target)).c_str())))
        return false;
    return SUCCEEDED(file->Save(AnsiToWide(LinkFileName(linkPath)).c_str(), FALSE));
}

std::string ShortcutTarget(const std::string& linkPath) {
    return WideToAnsi(ShortcutTargetW(AnsiToWide(linkPath)));
}

}  // namespace cx::startup
