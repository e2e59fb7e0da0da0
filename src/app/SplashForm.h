#pragma once
// TSplashForm: the picture shown once at start-up while the main window, built
// but hidden, waits. A per-pixel-alpha window (Skins\Splash.png) with the
// copyright notice over it; it closes itself after a second and a half.
#include <windows.h>

#include "widgets/Layered.h"
#include "widgets/LayeredLabel.h"

namespace cx::app {

class TSplashForm : public ui::TfrmLayered {
public:
    static constexpr const char* kClassName = "TSplashForm";
    static constexpr int kClientWidth = 503;
    static constexpr int kClientHeight = 241;
    static constexpr UINT kShowInterval = 1500;  // milliseconds, from FormCreate
    static constexpr UINT_PTR kShowTimerId = 1;
    // The picture's name in the skins folder; no skin value names it.
    static constexpr const char* kPictureFile = "Splash.png";

    // Builds the window and its label, then runs FormCreate, so the picture is
    // composed before the window first shows. Errors reach the caller.
    void CreateSplash();

    // Starts the show timer, sets the texts and the picture, paints.
    void FormCreate();
    // The show timer ran out: stops it and closes the splash (its modal loop ends).
    void tmrShowTimer();
    // The notice under the picture, from the current language.
    void ApplyTexts();
    bool ShowTimerEnabled() const noexcept { return timerOn_; }

    ui::TLayeredLabel lblCopyrightInfo;

protected:
    void CreateForm(HWND owner) override;
    // Centred on the screen, whoever the owner is.
    void PlaceForm(HWND owner) override;
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    bool timerOn_ = false;
};

// Start-up's splash: shown modally for its time, gone when this returns.
void ShowSplash();

}  // namespace cx::app
