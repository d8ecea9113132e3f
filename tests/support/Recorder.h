#pragma once
// A message sink that records what the user would have been shown.
#include <string>
#include <vector>

#include "gui/common/MessageSink.h"
#include "support/MessageLog.h"

namespace testsupport {

class RecordingSink : public gui::MessageSink {
public:
    RecordingSink() { gui::SetMessageSink(this); }
    ~RecordingSink() override { gui::SetMessageSink(nullptr); }

    void Error(const std::string& text, const std::string& title) override { shown.push_back({"error", text, title}); }
    void Information(const std::string& text, const std::string& title) override
    {
        shown.push_back({"information", text, title});
    }
    bool Question(const std::string& text, const std::string& title) override
    {
        shown.push_back({"question", text, title});
        return answer;
    }

    std::vector<ShownMessage> shown;
    bool answer = false;
};

} // namespace testsupport
