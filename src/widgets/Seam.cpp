#include "widgets/Seam.h"

#include <shellapi.h>

#include <vector>

#include "platform/Files.h"
#include "platform/Strings.h"

namespace cx::ui {

namespace {
std::string& TitleSlot() {
    static std::string title = [] {
        std::string name = ExtractFileName(ModuleFileName());
        size_t dot = name.rfind('.');
        return dot == std::string::npos ? name : name.substr(0, dot);
    }();
    return title;
}
MessageResponder& Responder() {
    static MessageResponder r;
    return r;
}
ShellResponder& Shell() {
    static ShellResponder r;
    return r;
}
ModalHook& Hook() {
    static ModalHook h;
    return h;
}
// Modal loops belong to the thread that runs them.
std::vector<HWND>& ModalStack() {
    thread_local std::vector<HWND> stack;
    return stack;
}
}  // namespace

const std::string& ApplicationTitle() { return TitleSlot(); }
void SetApplicationTitle(std::string title) { TitleSlot() = std::move(title); }

int ShowMessage(HWND owner, const std::string& text, const std::string& caption, UINT flags) {
    ModalScope modal(owner);
    if (Responder()) return Responder()(MessageRecord{text, caption, flags});
    return MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
}

int ShowAppMessage(HWND owner, const std::string& text, UINT flags) {
    return ShowMessage(owner, text, ApplicationTitle(), flags);
}

void SetMessageResponder(MessageResponder responder) { Responder() = std::move(responder); }

INT_PTR ShellOpen(const ShellCall& call) {
    if (Shell()) return Shell()(call);
    auto text = [](const std::optional<std::string>& s) { return s ? s->c_str() : nullptr; };
    return reinterpret_cast<INT_PTR>(ShellExecuteA(call.owner, text(call.verb), call.file.c_str(),
                                                   text(call.parameters), text(call.directory),
                                                   call.show));
}

void SetShellResponder(ShellResponder responder) { Shell() = std::move(responder); }

void SetModalHook(ModalHook hook) { Hook() = std::move(hook); }
void RunModalHook(HWND window) {
    if (Hook()) Hook()(window);
}

ModalScope::ModalScope(HWND window) { ModalStack().push_back(window); }
ModalScope::~ModalScope() { ModalStack().pop_back(); }
bool ModalLoopRunning() noexcept { return !ModalStack().empty(); }
HWND InnermostModalWindow() noexcept {
    return ModalStack().empty() ? nullptr : ModalStack().back();
}

}  // namespace cx::ui

namespace cx::ui {

void ReportException(const std::exception& e) noexcept {
    try {
        ShowAppMessage(GetActiveWindow(), e.what(), MB_OK | MB_ICONERROR);
    } catch (...) {
        // Nothing sensible is left to do when even the message cannot be shown.
    }
}

void ReportUnknownException() noexcept {
    try {
        ShowAppMessage(GetActiveWindow(), "Unknown error", MB_OK | MB_ICONERROR);
    } catch (...) {
    }
}

}  // namespace cx::ui
