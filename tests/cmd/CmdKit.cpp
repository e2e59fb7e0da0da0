#include "CmdKit.h"

#include <windows.h>

#include "harness/TestKit.h"
#include "platform/Handles.h"

namespace cx::test {

namespace {
unique_hfile Inheritable(const std::string& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    return unique_hfile(CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                                    disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}
}  // namespace

namespace {
std::string& CmdFolder() {
    static std::string folder;
    return folder;
}
}  // namespace

void SetCmdFolder(const std::string& folder) { CmdFolder() = folder; }

namespace {
// `prefix` stands before CarvexoCmd's own path in the command line.
CmdResult Run(const std::string& prefix, const std::string& arguments, const std::string& input,
              const std::string& workDir) {
    const std::string dir = FreshScratchDir("cmd-io");
    WriteWholeFile(dir + "in.txt", input);
    CmdResult result;
    {
        unique_hfile in = Inheritable(dir + "in.txt", GENERIC_READ, OPEN_EXISTING);
        unique_hfile out = Inheritable(dir + "out.txt", GENERIC_WRITE, CREATE_ALWAYS);
        unique_hfile err = Inheritable(dir + "err.txt", GENERIC_WRITE, CREATE_ALWAYS);
        if (!in || !out || !err) {
            result.err = "the test could not make the standard files";
            return result;
        }
        STARTUPINFOA si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = in.get();
        si.hStdOutput = out.get();
        si.hStdError = err.get();
        PROCESS_INFORMATION pi{};
        const std::string folder = CmdFolder().empty() ? OutDir() : CmdFolder();
        std::string line = prefix + "\"" + folder + "CarvexoCmd.exe\" " + arguments;
        const std::string& cwd = workDir.empty() ? dir : workDir;
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                            cwd.c_str(), &si, &pi)) {
            result.err = "CarvexoCmd.exe could not be started";
            return result;
        }
        unique_handle process(pi.hProcess);
        CloseHandle(pi.hThread);
        if (WaitForSingleObject(process.get(), kHangGuardMs) != WAIT_OBJECT_0) {
            TerminateProcess(process.get(), 99);
            WaitForSingleObject(process.get(), 5000);
        } else {
            DWORD code = 0;
            GetExitCodeProcess(process.get(), &code);
            result.exitCode = static_cast<int>(code);
        }
    }
    result.out = ReadWholeFile(dir + "out.txt");
    result.err += ReadWholeFile(dir + "err.txt");
    return result;
}
}  // namespace

CmdResult RunCmd(const std::string& arguments, const std::string& input,
                 const std::string& workDir) {
    return Run({}, arguments, input, workDir);
}

CmdResult RunCmdPressingCtrlC(const std::string& arguments, const std::string& press) {
    return Run("\"" + BuildDir() + "tests\\cmd\\ConsoleHost.exe\" " + press + " ", arguments, {},
               {});
}

}  // namespace cx::test
