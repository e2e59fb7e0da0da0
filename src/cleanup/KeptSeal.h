#pragma once
// Whose a kept clean-up is. A restore writes into the registry and into
// program folders whatever a kept clean-up says it took, so only a clean-up
// this user made may be restored, and only as it was made:
//  - each user keeps their clean-ups in a store of their own, by computer and
//    by the SID of the account (UserCleanupRoot); the application folder may
//    be shared by several accounts, and one account's restore or prune never
//    reaches another's;
//  - each clean-up is sealed: its manifest file ends in an HMAC-SHA256, under
//    a secret of the user's that is kept outside the backup folder, over the
//    manifest and the SHA-256 of every registry export it lists. The moved
//    files are not hashed (they may be large); what is restored of them, and
//    to where, is what the sealed manifest lists.
// The seal is written together with each manifest, in the same file, so a
// clean-up ended at any moment is sealed as far as its journal goes.
#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cleanup/UndoPlan.h"
#include "platform/Crypto.h"

namespace cx::cleanup {

// "<appDir>Back up\cleanup\<computer>\<SID>\": this account's clean-ups on
// this computer (`appDir` ends in "\"). The window and the command line both
// keep and restore there. Throws AppError when the account cannot be told.
std::wstring UserCleanupRoot(const std::wstring& appDir);
// "<appDir>Back up\history\<computer>\<SID>\": what this account's
// uninstalls on this computer left on record (UninstallHistory.h), beside its
// clean-ups. Throws AppError when the account cannot be told.
std::wstring UserHistoryRoot(const std::wstring& appDir);
// "<appDir>Back up\cleanup\": where clean-ups were kept, for every account
// alike, before they were sealed.
std::wstring SharedCleanupRoot(const std::wstring& appDir);

// The account's sealing secret: 32 random bytes under HKCU\Software\Carvexo,
// protected for the account by DPAPI. With `make`, made on first use (throws
// AppError when it cannot be); without, empty when there is none or it
// cannot be opened.
std::vector<uint8_t> UserSealKey(bool make);

// SHA-256 of each registry export, by its bare file name ("1.reg").
using ExportDigests = std::map<std::wstring, crypto::Digest>;

// The seal of a clean-up's manifest text `text`, which lists the exports of
// `manifest` (its parsed form): every one of them must be in `exports`.
crypto::Digest SealOf(const std::vector<uint8_t>& key, std::string_view text,
                      const CleanupManifest& manifest, const ExportDigests& exports);

// The manifest file: the manifest's text, then one last line
// "seal\t<64 hex digits>".
std::string SealedManifestFile(std::string_view text, const crypto::Digest& seal);
struct ManifestFileParts {
    std::string_view text;               // the manifest's text
    std::optional<crypto::Digest> seal;  // none: written before clean-ups were sealed
};
// Splits a manifest file. A last line that starts "seal" but holds no
// well-formed seal gives an all-zero seal, which nothing matches.
ManifestFileParts SplitManifestFile(std::string_view bytes);

}  // namespace cx::cleanup
