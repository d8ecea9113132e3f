#pragma once
// The one way the core talks to the user: message boxes in the program, a recorder in tests,
// standard error in the command line tool.
#include <string>

namespace core {

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void Error(const std::string& text, const std::string& title) = 0;
    virtual void Information(const std::string& text, const std::string& title) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool Question(const std::string& text, const std::string& title) = 0;
};

// The sink used by the program-wide wrappers (GetFromDemo and friends). Defaults to a sink that
// writes to standard error and answers questions with No.
MessageSink& Messages();
// Installs a sink (not owned); nullptr restores the default.
void SetMessageSink(MessageSink* sink);

} // namespace core
