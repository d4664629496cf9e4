#include "windows/BonusTimeWindow.h"

#include <vector>

#include "platform/win32/Text.h"

namespace tembrel::win {
namespace {

struct Place {
    int left, top, width; // twips
};
// Where each of BonusTime's choices sits: three a side, the two wide ones below.
constexpr std::array<Place, BonusTime::kChoices.size()> kPlaces{{{840, 480, 2055},
                                                                 {840, 960, 2055},
                                                                 {840, 1440, 2055},
                                                                 {5520, 480, 2055},
                                                                 {5520, 960, 2055},
                                                                 {5520, 1440, 2055},
                                                                 {840, 1920, 3015},
                                                                 {4560, 1920, 3015}}};
constexpr int kButtonHeight = 375;

} // namespace

bool BonusTimeWindow::Open(HWND centreOver) {
    // Tab order by Index, "Remove All Bonus Time" (Index 7) last; the labels behind.
    std::vector<ControlSpec> controls;
    for (std::size_t i = 0; i < BonusTime::kChoices.size(); ++i) {
        captions_[i] = AnsiToWide(BonusTime::kChoices[i].caption);
        controls.push_back({kTimeButton0 + static_cast<int>(i), ControlKind::Button,
                            captions_[i].c_str(), kPlaces[i].left, kPlaces[i].top, kPlaces[i].width,
                            kButtonHeight});
    }
    controls.push_back({kLabel2, ControlKind::Label,
                        L"Bonus time is good for a single session only.  Any unused time will be "
                        L"lost once session ends.",
                        3120, 720, 2175, 975});
    controls.push_back({kLabel1, ControlKind::CentredLabel, L"Bonus Time", 3240, 360, 1935, 255,
                        FontKind::Bold975});
    if (!CreateFrame(kFrame, controls, centreOver)) {
        return false;
    }
    ShowAndFocus();
    return true;
}

void BonusTimeWindow::OnCommand(int id, int code, HWND /*control*/) {
    const int index = id - kTimeButton0;
    if (code == BN_CLICKED && index >= 0 && index < static_cast<int>(captions_.size())) {
        bonus_.TimeButtonClick(index);
    }
}

} // namespace tembrel::win
