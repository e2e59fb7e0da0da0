#pragma once
// The remains a program leaves outside its install folder and under other
// names than its registration's: its settings under its maker's name, its
// data folders, the file types, classes, paths and shortcuts that point into
// its folder, and what Windows Installer and Windows' per-user copies keep of
// it. Each is looked up where programs put such things, by the evidence the
// registration gave (see Evidence.h), never by walking everything for a word.
#include <string>
#include <vector>

#include "cleanup/CheckTree.h"
#include "cleanup/Safety.h"
#include "cleanup/Scanner.h"

namespace cx::cleanup {

// Reads the registration of `target` (its hive and registry name) and fills
// target.folders with every folder it points at, asking Windows Installer for
// a Windows Installer entry. Run it before the uninstaller: afterwards the
// registration is gone and Windows Installer no longer knows the product.
// Sets foldersGathered; a registration that cannot be read leaves the install
// location as the only folder.
void GatherFolders(ListedProgram& target);

// Where the scan looks for data folders and shortcuts.
struct EvidencePlaces {
    std::vector<std::wstring> dataRoots;   // Roaming, Local, LocalLow AppData; ProgramData
    std::vector<std::wstring> startMenus;  // the Programs folders, the user's and all users'
    std::vector<std::wstring> desktops;    // the user's and the public desktop, Quick Launch
    std::wstring localAppData;             // holds the VirtualStore copies of the folders
};
// This user's and this computer's.
EvidencePlaces CurrentEvidencePlaces();

// Finds the places above for `target` and adds each as a root of `registry`
// or `files` (or below a maker's key or folder that holds nothing else), with
// its Reason, checked when the evidence is sure (named exactly like the
// registration, pointing into the install folder, Windows Installer's own
// record for the machine or this user) and unchecked when only a name fits.
// `installFolder` is the folder the scan listed (judged by the safety rules),
// empty when none was: then nothing is looked for by what points into it. Nothing of another listed
// program is offered: a name another program of the same maker goes by, a
// maker's key or folder while another program of that maker is listed, a
// place inside another program's folder. Protected keys and folders stay
// refused; items already in a tree (or inside one there) are not added again.
void ScanEvidence(const ListedProgram& target, const std::wstring& installFolder,
                  const SafetyContext& safety, const EvidencePlaces& places, CheckTree& registry,
                  CheckTree& files, ScanProgress& progress);

// Windows Installer's packed form of a product code: "{12345678-9ABC-DEF0-1234-56789ABCDEF0}"
// gives "87654321CBA90FED21436587A9CBEDF0". Empty for anything but a product code.
std::wstring PackedProductCode(const std::wstring& productCode);

}  // namespace cx::cleanup
