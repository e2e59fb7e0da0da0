// Uninstalling several programs in one go: the queue window runs their
// uninstallers one after another, then one scan window holds what all the
// removed ones left, each under its own node.
#include "app/ProgramPage.h"

#include "app/AppPaths.h"
#include "cleanup/KeptSeal.h"
#include "cleanup/QueueForm.h"
#include "cleanup/ScanForm.h"
#include "cleanup/UninstallHistory.h"
#include "cleanup/UninstallQueue.h"
#include "i18n/LangText.h"
#include "inventory/ListSystem.h"
#include "platform/Error.h"
#include "platform/Strings.h"
#include "widgets/Seam.h"

namespace cx::app {

void TProgramPage::UninstallSeveral(const std::vector<int>& rows) {
    std::vector<cleanup::TQueueForm::Entry> entries;
    for (int row : rows) {
        // A screen saver is deleted, and a broken registration removed, one at a time.
        if (RowIsScreenSaver(row) || RowIsBroken(row)) continue;
        auto item = programList_.GetProgram(RowData(row));
        if (!item) continue;
        entries.push_back(
            {cleanup::ListedProgram{item->RegistryName(), item->InstallLocation(),
                                    item->DisplayName(), item->Hive(), item->Publisher()},
             item->UninstallString()});
    }
    if (entries.empty()) return;
    cleanup::TQueueForm queue(std::move(entries));
    queue.ShowModal(host_.Owner());
    const std::vector<cleanup::QueueItem> items = queue.Items();
    // The list shows what the uninstallers left before anything is asked,
    // and again after the clean-up, however it ends.
    ReloadReporting(nullptr);
    ReloadAtEnd atEnd{*this};
    int removed = 0;
    for (const cleanup::QueueItem& i : items)
        if (i.state == cleanup::QueueState::Removed) ++removed;
    if (removed == 0) return;
    const std::string question = Format(LangFormatText(IDS_MESSAGEBOX_WARNING_QueueScanRemains),
                                        removed, static_cast<int>(items.size()));
    if (ui::ShowAppMessage(host_.Owner(), question, MB_YESNO | MB_ICONEXCLAMATION) != IDYES) {
        for (const cleanup::QueueItem& i : items) {
            if (i.state != cleanup::QueueState::Removed) continue;
            cleanup::FoundRemains unscanned;
            unscanned.target = i.run.target;
            KeepOnRecord(unscanned, false);
        }
        return;
    }
    // Judged by the list as it is now that every uninstaller has ended.
    const std::vector<cleanup::ListedProgram> listed = ListedNow();
    std::vector<cleanup::ScanProgram> programs;
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].state == cleanup::QueueState::Removed)
            programs.push_back(
                {items[i].run.target, cleanup::QueueSafety(AppPaths().AppDir, listed, items, i)});
    cleanup::TScanForm scan(std::move(programs), CleanupBackupRoot());
    scan.ShowModal(host_.Owner());
    for (size_t k = 0; k < scan.ProgramCount(); ++k) KeepOnRecord(scan.Found(k), scan.ScanDone());
}

}  // namespace cx::app
