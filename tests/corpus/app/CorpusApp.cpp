// The one executable every corpus product installs under its own name. Started
// with /use "<Publisher>" "<Product>" it does what a used program leaves behind:
// a log beside itself, its settings key in HKCU, a roaming settings file and a
// local cache. Without arguments it ends at once (shortcuts and file types may
// start it).
// As /run <program> <args...> it starts the program with the arguments joined
// as they are, unquoted, and waits for it: an NSIS uninstaller takes
// "_?=<folder>" (with spaces) only as the bare last argument, which Wine's
// launcher would quote.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>

namespace {

bool WriteText(const std::wstring& path, const char* text) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(h, text, static_cast<DWORD>(lstrlenA(text)), &written, nullptr);
  CloseHandle(h);
  return ok != FALSE;
}

// Makes base\a\b\c one level at a time; SHCreateDirectoryEx is not everywhere.
std::wstring MakeFolders(std::wstring path, const std::wstring& rest) {
  size_t start = 0;
  while (start <= rest.size()) {
    const size_t end = rest.find(L'\\', start);
    path += L'\\';
    path += rest.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    CreateDirectoryW(path.c_str(), nullptr);
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  return path;
}

std::wstring ShellFolder(int csidl) {
  wchar_t buf[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, 0, buf))) return {};
  return buf;
}

int Use(const std::wstring& publisher, const std::wstring& product) {
  wchar_t self[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 2;
  std::wstring dir(self);
  dir.resize(dir.find_last_of(L'\\'));
  if (!WriteText(dir + L"\\usage.log", "started\r\nclosed\r\n")) return 3;

  HKEY key = nullptr;
  const std::wstring sub = L"Software\\" + publisher + L"\\" + product;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, sub.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return 4;
  const wchar_t window[] = L"100,100,640,480";
  RegSetValueExW(key, L"Window", 0, REG_SZ, reinterpret_cast<const BYTE*>(window), sizeof window);
  RegCloseKey(key);

  const std::wstring roaming = ShellFolder(CSIDL_APPDATA), local = ShellFolder(CSIDL_LOCAL_APPDATA);
  if (roaming.empty() || local.empty()) return 5;
  if (!WriteText(MakeFolders(roaming, publisher + L"\\" + product) + L"\\settings.ini", "[View]\r\nZoom=100\r\n")) return 6;
  if (!WriteText(MakeFolders(local, publisher + L"\\" + product + L"\\Cache") + L"\\recent.dat", "1\r\n")) return 7;
  return 0;
}

int Run(int argc, wchar_t** argv) {
  std::wstring line = L"\"" + std::wstring(argv[2]) + L"\"";
  for (int i = 3; i < argc; ++i) line += L" " + std::wstring(argv[i]);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(argv[2], line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 90;
  CloseHandle(pi.hThread);
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 91;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  int rc = 0;
  if (argv && argc == 4 && lstrcmpiW(argv[1], L"/use") == 0) rc = Use(argv[2], argv[3]);
  else if (argv && argc >= 3 && lstrcmpiW(argv[1], L"/run") == 0) rc = Run(argc, argv);
  else if (argv && argc > 1) rc = 1;
  LocalFree(argv);
  return rc;
}
