#pragma once
// Who runs the program, for stores kept per computer and account.
#include <windows.h>

#include <string>

namespace cx {

// The SID of the account the process runs as ("S-1-5-21-..."); throws AppError.
std::wstring CurrentUserSid();

// A SID as text; empty when it cannot be converted.
std::wstring SidText(PSID sid);

// This computer's NetBIOS name; throws AppError.
std::wstring ComputerNameText();

}  // namespace cx
