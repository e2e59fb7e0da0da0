#pragma once
// Registration of the server: the class, its type library and both interfaces,
// under "Software\Classes" of one hive.
#include <windows.h>

#include <string>

namespace cx::svc {

// Writes every key under hive\Software\Classes, each opened relative to its
// parent. Throws AppError when any of it cannot be written.
void WriteRegistration(HKEY hive, const std::string& modulePath);
// Removes what WriteRegistration writes. False when something that is there
// could not be removed.
bool DeleteRegistration(HKEY hive) noexcept;
// True when hive\Software\Classes holds our class.
bool HasRegistration(HKEY hive) noexcept;

// Machine-wide when HKLM can be written, else for the current user (a user
// without administrator rights still gets a working server). Returns the hive
// written; throws when neither can be.
HKEY RegisterServer(const std::string& modulePath);
// Removes the registration from both hives; false when some of it stays.
bool UnregisterServer() noexcept;

std::string GuidText(REFGUID guid);

}  // namespace cx::svc
