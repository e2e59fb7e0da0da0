#pragma once
// Answers every message box for the life of the object and keeps what was
// shown, so a test can check texts, captions and icons. Header-only: it uses
// the seam of whatever program library the test links.
#include <windows.h>

#include <functional>
#include <vector>

#include "widgets/Seam.h"

namespace cx::test {

class MessageLog {
public:
    MessageLog() {
        ui::SetMessageResponder([this](const ui::MessageRecord& m) {
            shown.push_back(m);
            return onShow ? onShow(m) : answer;
        });
    }
    ~MessageLog() { ui::SetMessageResponder({}); }
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    std::vector<ui::MessageRecord> shown;
    int answer = IDOK;  // the button every box is answered with
    // When set, runs while the box is up (after it was recorded) and gives the answer.
    std::function<int(const ui::MessageRecord&)> onShow;
};

}  // namespace cx::test
