#pragma once
// TProgramList: the program's view of the inventory service. It attaches on
// first use to a running instance of the service's class, else creates one, and
// keeps the connection until Disconnect (the main window's destruction).
// Failure codes of the service become AppError with a readable message.
#include <windows.h>

#include <optional>
#include <string>

#include "Dravik_h.h"
#include "platform/Com.h"

namespace cx {

// One program record, as the service returns it.
class ProgramItem {
public:
    explicit ProgramItem(ComPtr<IProgramItem> item) : item_(std::move(item)) {}
    IProgramItem* raw() const noexcept { return item_.get(); }

    std::string DisplayName() const;
    std::string UninstallString() const;
    std::string RegistryName() const;
    void LoadDetails(const std::string& keyName) const;
    long Kind() const;
    std::string Publisher() const;
    std::string InstallLocation() const;
    long IconIndex() const;
    unsigned long UsedFrequency() const;
    std::string LastUsed() const;
    float Size() const;
    std::string InstallDate() const;
    std::string Version() const;
    std::string HelpLink() const;
    std::string AboutLink() const;
    std::string UpdateLink() const;
    long RegistryValueCount() const;
    std::string RegistryValueName(long index) const;
    std::string RegistryValueData(long index) const;
    void SetComment(const std::string& text) const;
    // Where the record's key lives: "HKEY_LOCAL_MACHINE" or "HKEY_CURRENT_USER".
    std::string Hive() const;

private:
    ComPtr<IProgramItem> item_;
};

class TProgramList {
public:
    TProgramList() = default;
    ~TProgramList() { Disconnect(); }
    TProgramList(const TProgramList&) = delete;
    TProgramList& operator=(const TProgramList&) = delete;

    // Running-or-new: the active object of the class if one is registered, else a new one.
    void Connect();
    void Disconnect() noexcept;
    // Uses a service object the caller already has (tests hand in one that
    // behaves in ways the real service never does).
    void Attach(ComPtr<IProgramList> list) noexcept { list_ = std::move(list); }
    bool Connected() const noexcept { return static_cast<bool>(list_); }

    // "None" (an index past the end) is an empty optional.
    std::optional<ProgramItem> GetProgram(long index);
    unsigned long ProgramCount();
    unsigned long ScreenSaverCount();
    std::string ScreenSaverFile(long index);
    std::string ScreenSaverPublisher(long index);
    std::string ScreenSaverFolder(long index);
    std::string ScreenSaverTitle(long index);
    long ScreenSaverIcon(long index);
    unsigned long ScreenSaverSize(long index);
    std::string ScreenSaverLastUsed(long index);
    void RefreshPrograms();
    void RefreshScreenSavers();

private:
    IProgramList* Service();
    ComPtr<IProgramList> list_;
};

// Raises an AppError for a failed HRESULT of the service.
void CheckService(HRESULT hr, const char* method);

// Loads the service's library by bare name (so the program's own folder is
// searched first), calls its DllRegisterServer and unloads it. Every program
// that reaches the service registers it at its start. Throws AppError with the
// system's text when the library cannot be loaded, has no such export, or the
// registration fails.
void RegisterInventoryService(const char* libraryName = "Dravik.dll");

}  // namespace cx
