#include "platform/HeldFiles.h"

#include <winternl.h>

#include <cstring>

#include "platform/Files.h"

extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE file, HANDLE event, PVOID apcRoutine,
                                               PVOID apcContext, PIO_STATUS_BLOCK io,
                                               PVOID buffer, ULONG length,
                                               FILE_INFORMATION_CLASS infoClass,
                                               BOOLEAN singleEntry, PUNICODE_STRING fileName,
                                               BOOLEAN restartScan);
extern "C" VOID NTAPI RtlFreeUnicodeString(PUNICODE_STRING string);

namespace cx::fs {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr NTSTATUS kNoMoreFiles = static_cast<NTSTATUS>(0x80000006L);
constexpr NTSTATUS kNameNotFound = static_cast<NTSTATUS>(0xC0000034L);
constexpr NTSTATUS kPathNotFound = static_cast<NTSTATUS>(0xC000003AL);
constexpr FILE_INFORMATION_CLASS kFileRenameInformation = static_cast<FILE_INFORMATION_CLASS>(10);

std::optional<Held> Adopt(HANDLE h) {
    Held held;
    held.handle.reset(h);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info)) return std::nullopt;
    held.attributes = info.dwFileAttributes;
    held.id = FileId{info.dwVolumeSerialNumber,
                     (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow, true};
    return held;
}

}  // namespace

bool IsPlainName(const std::wstring& name) {
    if (name.empty() || name == L"." || name == L"..") return false;
    for (wchar_t c : name)
        if (c == L'\\' || c == L'/' || c == L':' || c < 32) return false;
    return true;
}

std::optional<Held> OpenItself(const std::wstring& path, DWORD access, OpenFailure* why) {
    if (why) *why = OpenFailure::None;
    HANDLE h = CreateFileW(LongPathForApi(path).c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD e = GetLastError();
        if (why)
            *why = e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND ? OpenFailure::Missing
                                                                          : OpenFailure::Other;
        return std::nullopt;
    }
    auto held = Adopt(h);
    if (!held && why) *why = OpenFailure::Other;
    return held;
}

std::optional<Held> OpenChild(HANDLE folder, const std::wstring& name, DWORD access,
                              OpenFailure* why) {
    if (why) *why = OpenFailure::Other;
    if (!IsPlainName(name) || name.size() > 32767) return std::nullopt;
    UNICODE_STRING us;
    us.Buffer = const_cast<PWSTR>(name.c_str());
    us.Length = us.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    OBJECT_ATTRIBUTES oa;
    // Case-insensitive as Win32 opens are; the name comes from the folder's own listing.
    InitializeObjectAttributes(&oa, &us, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK io{};
    HANDLE h = nullptr;
    NTSTATUS st = NtCreateFile(&h, access | SYNCHRONIZE, &oa, &io, nullptr, 0, kShareAll, FILE_OPEN,
                               FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT |
                                   FILE_OPEN_FOR_BACKUP_INTENT,
                               nullptr, 0);
    if (st < 0 || !h) {
        if (why) *why = st == kNameNotFound || st == kPathNotFound ? OpenFailure::Missing
                                                                   : OpenFailure::Other;
        return std::nullopt;
    }
    auto held = Adopt(h);
    if (held && why) *why = OpenFailure::None;
    return held;
}

FileId IdOf(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(h, &info)) return {};
    return FileId{info.dwVolumeSerialNumber,
                  (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow, true};
}

bool ListHeld(HANDLE folder, std::vector<FolderEntry>& entries) {
    entries.clear();
    std::vector<ULONGLONG> buffer(64 * 1024 / sizeof(ULONGLONG));  // 8-byte aligned records
    for (BOOLEAN restart = TRUE;; restart = FALSE) {
        IO_STATUS_BLOCK io{};
        NTSTATUS st = NtQueryDirectoryFile(
            folder, nullptr, nullptr, nullptr, &io, buffer.data(),
            static_cast<ULONG>(buffer.size() * sizeof(ULONGLONG)), FileDirectoryInformation, FALSE,
            nullptr, restart);
        if (st == kNoMoreFiles) return true;
        if (st < 0) return false;
        const BYTE* p = reinterpret_cast<const BYTE*>(buffer.data());
        for (;;) {
            const auto* e = reinterpret_cast<const FILE_DIRECTORY_INFORMATION*>(p);
            std::wstring name(e->FileName, e->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") entries.push_back({std::move(name), e->FileAttributes});
            if (!e->NextEntryOffset) break;
            p += e->NextEntryOffset;
        }
    }
}

bool DeleteHeld(HANDLE h) {
    FILE_DISPOSITION_INFO dispose{TRUE};
    return SetFileInformationByHandle(h, FileDispositionInfo, &dispose, sizeof dispose) != FALSE;
}

bool RenameHeld(HANDLE h, const std::wstring& target) {
    UNICODE_STRING nt{};
    if (!RtlDosPathNameToNtPathName_U(target.c_str(), &nt, nullptr, nullptr)) return false;
    std::vector<ULONGLONG> block((sizeof(FILE_RENAME_INFO) + nt.Length) / sizeof(ULONGLONG) + 1);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(block.data());
    info->ReplaceIfExists = FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = nt.Length;
    std::memcpy(info->FileName, nt.Buffer, nt.Length);
    RtlFreeUnicodeString(&nt);
    IO_STATUS_BLOCK io{};
    NTSTATUS st = NtSetInformationFile(h, &io, info, static_cast<ULONG>(block.size() * sizeof(ULONGLONG)),
                                       kFileRenameInformation);
    if (st < 0) {
        SetLastError(RtlNtStatusToDosError(st));
        return false;
    }
    return true;
}

bool ChildGone(HANDLE folder, const std::wstring& name) {
    OpenFailure why;
    auto held = OpenChild(folder, name, kLookAccess, &why);
    return !held && why == OpenFailure::Missing;
}

}  // namespace cx::fs
