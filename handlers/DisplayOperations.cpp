#include "DisplayOperations.h"

namespace zuvelo {

// Sizes of the status display: the track line at 18 points fills the strip above the button row,
// the empty second line covers the row, and the count at 11 points sits beside Text1.
constexpr int kLargePoints = 18;
constexpr int kSmallPoints = 11;

void showLoadingMessage(FormControls& form)
{
    form.clearTextArea();
    form.setTextSize(kLargePoints);
    form.print({std::string("読み込み中です・・・")});
}

void showCurrentTrack(FormControls& form, const PlayerState& state)
{
    form.clearTextArea();
    form.setTextSize(kLargePoints);
    form.print({trackEntry(state, state.a2.value())});
    form.print({});
    form.setTextSize(kSmallPoints);
    form.print({std::string("全"), state.nmax.value(), std::string("曲")});
}

void showNoFilesMessage(FormControls& form)
{
    form.clearTextArea();
    form.setTextSize(kLargePoints);
    form.print({std::string("演奏できるファイルがありません。")});
}

void showStatusInCaption(FormControls& form, const std::string& statusReply)
{
    form.setCaption("Zuvelo" + statusReply.substr(0, statusReply.find('\0')));
}

} // namespace zuvelo
