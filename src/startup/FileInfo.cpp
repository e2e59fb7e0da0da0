#include "startup/FileInfo.h"

#include <cstring>
#include <vector>

#include "platform/Error.h"
#include "platform/Strings.h"

namespace cx::startup {

namespace {

// A string value of the block, up to its NUL; empty when absent. The length
// the system reports is not trusted beyond the block it points into.
std::string QueryText(const std::vector<BYTE>& block, const std::wstring& path) {
    void* p = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(block.data(), path.c_str(), &p, &len) || !p) return {};
    const auto* begin = static_cast<const wchar_t*>(p);
    const auto* end = reinterpret_cast<const wchar_t*>(block.data() + block.size());
    if (begin < reinterpret_cast<const wchar_t*>(block.data()) || begin >= end) return {};
    size_t n = 0;
    size_t limit = std::min<size_t>(len, static_cast<size_t>(end - begin));
    while (n < limit && begin[n]) ++n;
    return WideToAnsi(std::wstring_view(begin, n));
}

}  // namespace

bool ReadFileInfo(const std::string& fileName, TFileInfo& info, const std::string& extraKey) {
    const std::wstring file = AnsiToWide(fileName);
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
    if (size == 0) return false;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return false;
    void* trans = nullptr;
    UINT transLen = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &trans, &transLen) ||
        !trans || transLen < 4)
        return false;
    DWORD pair;
    memcpy(&pair, trans, 4);
    const std::wstring prefix =
        AnsiToWide(Format("\\StringFileInfo\\%04X%04X\\", LOWORD(pair), HIWORD(pair)));
    TFileInfo got;
    struct Field {
        const wchar_t* key;
        std::string TFileInfo::* field;
    };
    const Field fields[] = {
        {L"CompanyName", &TFileInfo::CompanyName},
        {L"FileDescription", &TFileInfo::FileDescription},
        {L"FileVersion", &TFileInfo::FileVersion},
        {L"InternalName", &TFileInfo::InternalName},
        {L"LegalCopyright", &TFileInfo::LegalCopyright},
        {L"LegalTrademarks", &TFileInfo::LegalTrademarks},
        {L"OriginalFileName", &TFileInfo::OriginalFileName},
        {L"ProductName", &TFileInfo::ProductName},
        {L"ProductVersion", &TFileInfo::ProductVersion},
        {L"Comments", &TFileInfo::Comments},
    };
    for (const Field& f : fields) got.*(f.field) = QueryText(block, prefix + f.key);
    void* fixed = nullptr;
    UINT fixedLen = 0;
    if (VerQueryValueW(block.data(), L"\\", &fixed, &fixedLen) && fixed &&
        fixedLen >= sizeof(VS_FIXEDFILEINFO))
        memcpy(&got.FixedInfo, fixed, sizeof(VS_FIXEDFILEINFO));
    if (!extraKey.empty()) got.Extra = QueryText(block, prefix + AnsiToWide(extraKey));
    info = std::move(got);
    return true;
}

}  // namespace cx::startup
