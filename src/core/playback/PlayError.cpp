#include "core/playback/PlayError.h"

#include "core/playback/GameLaunch.h"
#include "core/playback/GamePrograms.h"
#include "core/playback/PlayFromMoment.h"
#include "core/playback/PlayScript.h"
#include "core/playback/RunningGame.h"

namespace core {

const char* PlayErrorTitle(PlayError code)
{
    switch (code) {
    case PlayError::NothingToPlay:
        return "";
    case PlayError::NeedsConfirmation:
        return kLongPlayListTitle;
    case PlayError::CopyFailed:
        return "File Copy ERROR";
    case PlayError::ExtractFailed:
        return "File Extract/Copy ERROR";
    case PlayError::ConversionFailed:
        return kConversionFailedTitle;
    case PlayError::DemoDamaged:
        return "Demo Damaged";
    case PlayError::Unreadable:
        return "Play it";
    case PlayError::Unplayable:
        return kUnplayableDemoTitle;
    case PlayError::ModNotInstalled:
        return kModNotInstalledTitle;
    case PlayError::ScriptNotSaved:
        return "VMR: File Save Error";
    case PlayError::GameStart:
        return kGameStartErrorTitle;
    case PlayError::VersionSwitch:
        return "Debug";
    case PlayError::ProtocolMismatch:
        return "Protocol Version Mismatch in Playlist";
    case PlayError::ModMismatch:
        return "MOD Mismatch in Playlist";
    case PlayError::NothingPrepared:
        return "Play current Playlist";
    case PlayError::PlayFromFailed:
        return kPlayFromTitle;
    }
    return "";
}

bool IsPlayInformation(PlayError code)
{
    return code == PlayError::DemoDamaged || code == PlayError::NothingPrepared;
}

} // namespace core
