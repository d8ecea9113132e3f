#pragma once
// A message sink that records what the user would have been shown.
#include <string>
#include <vector>

#include "core/common/MessageSink.h"

namespace testsupport {

struct ShownMessage {
    std::string kind; // "error", "information" or "question"
    std::string text;
    std::string title;
};

class RecordingSink : public core::MessageSink {
public:
    RecordingSink() { core::SetMessageSink(this); }
    ~RecordingSink() override { core::SetMessageSink(nullptr); }

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
