#include "platform/Account.h"

#include <sddl.h>

#include <vector>

#include "platform/Error.h"
#include "platform/Handles.h"

namespace cx {

std::wstring SidText(PSID sid) {
    wchar_t* text = nullptr;
    if (!sid || !ConvertSidToStringSidW(sid, &text)) return {};
    std::wstring out = text;
    LocalFree(text);
    return out;
}

std::wstring CurrentUserSid() {
    unique_handle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) ThrowLastError();
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size ? size : 1);
    if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size))
        ThrowLastError();
    std::wstring sid = SidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
    if (sid.empty()) ThrowLastError();
    return sid;
}

std::wstring ComputerNameText() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = L"";
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size)) ThrowLastError();
    return std::wstring(name, size);
}

}  // namespace cx
