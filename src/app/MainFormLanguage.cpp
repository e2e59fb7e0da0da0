// The Languages submenu: the language files of the Langs folder, the current
// one checked; choosing one switches the texts at once and stores the choice.
#include "app/AppPaths.h"
#include "app/Config.h"
#include "app/MainForm.h"
#include "i18n/LangText.h"
#include "i18n/LanguageFile.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "platform/Ini.h"
#include "widgets/Seam.h"

namespace cx::app {

void TMainForm::BuildLanguageMenu() {
    languages_ = PlanLanguageMenu(ListLanguageFiles(AppPaths().LangDir),
                                  FileNameOfPath(AppPaths().LanguagePath));
    const size_t room = mItemLanguageLast - mItemLanguageFirst + 1;
    if (languages_.size() > room) languages_.resize(room);
    for (size_t i = 0; i < languages_.size(); ++i)
        menus_.mItemLanguages.AddItem(mItemLanguageFirst + static_cast<int>(i),
                                      languages_[i].caption, true, languages_[i].checked);
}

void TMainForm::LanguageItemClick(int index) {
    if (index < 0 || static_cast<size_t>(index) >= languages_.size()) return;
    const std::string fileName = languages_[index].fileName;
    const std::string path = AppPaths().LangDir + fileName;
    // A file removed since the menu was built: nothing changes.
    if (!FileExists(path)) return;

    AppPaths().LanguagePath = path;
    for (size_t i = 0; i < languages_.size(); ++i) {
        languages_[i].checked = static_cast<int>(i) == index;
        menus_.mItemLanguages.SetChecked(mItemLanguageFirst + static_cast<int>(i),
                                         languages_[i].checked);
    }
    // The switch is done whole even when the choice cannot be stored: mark,
    // path and texts agree for this run, and the user learns that the next
    // start will not remember it.
    std::string notStored;
    try {
        IniFile(AppPaths().ConfigPath)
            .WriteString(config::kSection, config::kLanguageFile, fileName);
    } catch (const std::exception& e) {
        notStored = e.what();
    }
    LoadLanguageFile(path);
    ApplyTexts();
    programs_.LayoutStatusBar(true);
    if (!notStored.empty()) ui::ReportException(AppError(notStored));
}

}  // namespace cx::app
