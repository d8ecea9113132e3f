#pragma once
// What a test would have shown the user from a result the core returned, as the window shows it.
#include <string>
#include <vector>

namespace testsupport {

struct ShownMessage {
    std::string kind; // "error", "information" or "question"
    std::string text;
    std::string title;
};

class MessageLog {
public:
    virtual ~MessageLog() = default;
    void Error(const std::string& text, const std::string& title) { shown.push_back({"error", text, title}); }
    void Information(const std::string& text, const std::string& title)
    {
        shown.push_back({"information", text, title});
    }
    virtual bool Question(const std::string& text, const std::string& title)
    {
        shown.push_back({"question", text, title});
        return answer;
    }

    std::vector<ShownMessage> shown;
    bool answer = false;
};

} // namespace testsupport
