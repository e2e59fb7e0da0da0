#include "inventory/Report.h"

#include <windows.h>

#include "i18n/LangText.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "widgets/Seam.h"

namespace cx::inv {

namespace {
constexpr const char* kDoubleRule = "=======================";
constexpr const char* kSingleRule = "----------------------";

std::string LocalNow() {
    char date[128] = {};
    char time[128] = {};
    if (!GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date))
        date[0] = '\0';
    if (!GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, sizeof time))
        time[0] = '\0';
    return std::string(date) + " " + time;
}
}  // namespace

std::vector<std::string> BuildReport(const ReportInput& in) {
    std::vector<std::string> lines;
    lines.reserve(in.captions.size() + 15);
    lines.push_back(Format(LangFormatText(IDS_PRINTFORM_MEMO_Title), in.appTitle.c_str()));
    lines.emplace_back();
    lines.emplace_back();
    lines.emplace_back(kDoubleRule);
    lines.push_back(LangText(IDS_PRINTFORM_MEMO_ComputerName) + in.computerName);
    lines.push_back(LangText(IDS_PRINTFORM_MEMO_UserName) + in.userName);
    lines.push_back(LangText(IDS_PRINTFORM_MEMO_Programs) + in.countLine);
    lines.push_back(LangText(IDS_PRINTFORM_MEMO_CreatedIn) + in.createdIn);
    lines.push_back(LangText(IDS_PRINTFORM_MEMO_CreatedBy) + in.exePath);
    lines.emplace_back(kDoubleRule);
    lines.emplace_back();
    lines.emplace_back();
    lines.push_back(LangText(IDS_PRINTFORM_MEMO_InstalledPL));
    lines.emplace_back(kSingleRule);
    int number = 0;
    for (const auto& caption : in.captions)
        lines.push_back(Format("%d - %s", ++number, caption.c_str()));
    lines.emplace_back(kSingleRule);
    return lines;
}

ReportInput CollectReportInput(std::string countLine, std::vector<std::string> captions) {
    ReportInput in;
    in.appTitle = ui::ApplicationTitle();
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof computer;
    if (GetComputerNameA(computer, &size)) in.computerName = computer;
    char user[256] = {};
    size = sizeof user;
    if (GetUserNameA(user, &size)) in.userName = user;
    in.countLine = std::move(countLine);
    in.createdIn = LocalNow();
    in.exePath = ModuleFileName();
    in.captions = std::move(captions);
    return in;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0, i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) text += "\r\n";
        text += lines[i];
    }
    return text;
}

}  // namespace cx::inv
