#pragma once
// What a play command tells the user. The commands never show a message themselves: the failure
// that stopped one is its result, and what it met on its way without stopping (a demo of a list
// that could not be copied, a damaged demo played up to its damage, a failed version switch) is
// added to its notices, in order. The window shows them as message boxes, a notice before the
// failure, each under the title PlayErrorTitle gives.
#include <vector>

#include "core/common/Result.h"

namespace core {

enum class PlayError {
    NothingToPlay,     // an empty list; nothing to tell
    NeedsConfirmation, // a long play list: the text is the question, asked, the list is started again
    CopyFailed,
    ExtractFailed,
    ConversionFailed,
    DemoDamaged, // converted up to its damage and played so far (information)
    Unreadable,
    Unplayable,
    ModNotInstalled,
    ScriptNotSaved,
    GameStart,
    VersionSwitch,
    ProtocolMismatch,
    ModMismatch,
    NothingPrepared, // information
    PlayFromFailed,
};

using PlayFailure = Failure<PlayError>;
using PlayResult = Result<Done, PlayError>;
using PlayNotices = std::vector<PlayFailure>;

// The title of the message box that shows it; empty for NothingToPlay.
const char* PlayErrorTitle(PlayError code);
// True for what is shown as information rather than as an error.
bool IsPlayInformation(PlayError code);

} // namespace core
