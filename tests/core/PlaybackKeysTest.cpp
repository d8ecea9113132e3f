// The key bindings at the end of every play script, and how the playback keys dialog's OK
// rebuilds them.
#include <gtest/gtest.h>

#include <string>

#include "core/playback/PlaybackKeys.h"
#include "core/settings/Settings.h"

namespace {

const std::string kDialogOrderBinds = "bind kp_enter \"vstr d_f_t\"\r\n"
                                      "bind kp_del \"vstr d_s_t\"\r\n"
                                      "bind kp_plus \"vstr d_f\"\r\n"
                                      "bind kp_minus \"vstr d_s\"\r\n"
                                      "bind pause \"vstr d_p\"\r\n"
                                      "bind kp_5 \"vstr nextdemo\"";

TEST(PlaybackKeys, OkRebuildsTheBlockFromTheInputs)
{
    struct Case {
        const char* what;
        int changed; // index of the changed input, -1 for none
        std::string input;
        std::string block;
    };
    const Case cases[] = {
        {"nothing changed: no unbind line", -1, "", kDialogOrderBinds},
        {"pause key to p", 4, "p",
         "unbind pause\r\nbind kp_enter \"vstr d_f_t\"\r\nbind kp_del \"vstr d_s_t\"\r\nbind kp_plus \"vstr d_f\"\r\n"
         "bind kp_minus \"vstr d_s\"\r\nbind p \"vstr d_p\"\r\nbind kp_5 \"vstr nextdemo\""},
        {"an empty input is written as it is", 0, "",
         "unbind kp_enter\r\nbind  \"vstr d_f_t\"\r\nbind kp_del \"vstr d_s_t\"\r\nbind kp_plus \"vstr d_f\"\r\n"
         "bind kp_minus \"vstr d_s\"\r\nbind pause \"vstr d_p\"\r\nbind kp_5 \"vstr nextdemo\""},
        {"letter case counts", 5, "KP_5",
         "unbind kp_5\r\nbind kp_enter \"vstr d_f_t\"\r\nbind kp_del \"vstr d_s_t\"\r\nbind kp_plus \"vstr d_f\"\r\n"
         "bind kp_minus \"vstr d_s\"\r\nbind pause \"vstr d_p\"\r\nbind KP_5 \"vstr nextdemo\""},
    };
    for (const Case& c : cases) {
        core::PlaybackKeys current = core::CurrentPlaybackKeys(core::SettingsRecord{});
        core::PlaybackKeys inputs = current;
        if (c.changed >= 0)
            inputs[c.changed] = c.input;
        EXPECT_EQ(core::RebuildKeyBindingBlock(inputs, current), c.block) << c.what;
        EXPECT_EQ(current, inputs) << c.what;
        // Pressed again, nothing differs from the keys now current.
        EXPECT_EQ(core::RebuildKeyBindingBlock(inputs, current).find("unbind"), std::string::npos) << c.what;
    }
}

TEST(PlaybackKeys, SavedKeysPrefillTheDialogButScriptsUseTheDefaultsUntilOk)
{
    core::SettingsRecord settings;
    settings.pause_key = "p"; // from an earlier run's configuration file
    core::KeyBindingBlock = core::DefaultKeyBindingBlock();

    EXPECT_EQ(core::KeyBindingBlock, "bind kp_plus \"vstr d_f\"\r\nbind kp_minus \"vstr d_s\"\r\n"
                                     "bind kp_enter \"vstr d_f_t\"\r\nbind kp_del \"vstr d_s_t\"\r\n"
                                     "bind kp_5 \"vstr nextdemo\"\r\nbind pause \"vstr d_p\"");
    EXPECT_EQ(core::CurrentPlaybackKeys(settings)[4], "p");
    EXPECT_EQ(core::DefaultPlaybackKeys()[4], "pause");

    core::ConfirmPlaybackKeys(core::CurrentPlaybackKeys(settings), settings);
    EXPECT_NE(core::KeyBindingBlock.find("bind p \"vstr d_p\""), std::string::npos);
    EXPECT_EQ(core::KeyBindingBlock.find("unbind"), std::string::npos);
    EXPECT_EQ(settings.pause_key, "p");

    core::KeyBindingBlock = core::DefaultKeyBindingBlock();
}

} // namespace
