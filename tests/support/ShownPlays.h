#pragma once
// A play command as the window runs it: its settings made from a record of the test's own, and what
// the window would show of its result (the notices, then the failure that stopped it).
#include <gtest/gtest.h>

#include "core/playback/PlayError.h"
#include "core/settings/Settings.h"
#include "support/MessageLog.h"

namespace testsupport {

class ShownPlays : public ::testing::Test {
protected:
    // The settings a play command is started with, as the window makes them from its record.
    core::PlaybackSettings Play() const { return core::PlaybackSettingsFor(m_record); }
    // Records what the window shows of a play command. True when it played.
    bool Shown(const core::PlayResult& result)
    {
        for (const core::PlayFailure& notice : m_notices)
            Record(notice);
        m_notices.clear();
        if (!result)
            Record(result.failure());
        return result.ok();
    }
    void Record(const core::PlayFailure& failure)
    {
        if (!failure.text.empty())
            m_messages.shown.push_back({core::IsPlayInformation(failure.code) ? "information" : "error", failure.text,
                                        core::PlayErrorTitle(failure.code)});
    }

    MessageLog m_messages;
    core::PlayNotices m_notices;
    core::SettingsRecord m_record;
};

} // namespace testsupport
