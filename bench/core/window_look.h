#pragma once
// What the main window shows beyond enabling: tooltips by control id, the coloured section titles
// and group boxes, and what the Enter key does in each edit. Data and pure decisions only; the
// view applies them to whichever widgets carry these control ids.
#include <map>
#include <vector>

namespace norvane::bench {

/// Language keys of the tooltips, by control id (gateway list, gateway number, RS-232 baud list,
/// command history box, monitoring interval).
const std::map<int, const char*>& ToolTipKeys();

/// Section titles: text in kTitleColour on kSectionBackground.
const std::vector<int>& SectionTitles();
/// Group boxes filled with kSectionBackground.
const std::vector<int>& FilledGroups();
inline constexpr int kTitleColour[3] = {0, 112, 192};
inline constexpr int kSectionBackground[3] = {209, 219, 229};

/// The Enter key never closes the window; in an edit it does one of these.
enum class EnterAction {
    None,         ///< edits without a command
    SendCommand,  ///< the command box (edit 1521): send its text and clear it
    SendHistory,  ///< the command history box (1004): send the entry shown, as its Send button does
    Refresh,      ///< the monitoring interval: refresh the window state from the controls
    PanelCommand  ///< a panel edit: run the command of its row (speed: run; others: their set)
};
EnterAction EnterActionFor(int controlId);

}  // namespace norvane::bench
