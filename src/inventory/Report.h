#pragma once
// The program list report: its lines from plain inputs, and the inputs the
// machine supplies (names, time, executable path).
#include <string>
#include <vector>

namespace cx::inv {

struct ReportInput {
    std::string appTitle, computerName, userName, countLine, createdIn, exePath;
    std::vector<std::string> captions;  // the list's rows, top to bottom
};

// The report: title, the framed block of facts, the heading, one numbered line
// per caption ("1 - caption") between two rules of hyphens.
std::vector<std::string> BuildReport(const ReportInput& input);

// Fills in the application title, the computer and user names, the local date
// and time (short date and long time of the user's locale) and the executable's path.
ReportInput CollectReportInput(std::string countLine, std::vector<std::string> captions);

// The lines of a text as a text box holds it: CR LF, LF and CR each end a line,
// and a break at the very end starts no further line.
std::vector<std::string> SplitLines(const std::string& text);
// The lines joined with CR LF, without a break after the last.
std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace cx::inv
