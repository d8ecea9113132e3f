#pragma once
// How the window's parts tell the user something or ask: message boxes in the program, a recorder
// in tests. The core never does; it returns results, and the part that started the work shows them.
#include <string>

namespace gui {

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void Error(const std::string& text, const std::string& title) = 0;
    virtual void Information(const std::string& text, const std::string& title) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool Question(const std::string& text, const std::string& title) = 0;
};

// The sink every part of the window uses. Defaults to a sink that writes to standard error and
// answers questions with No (before the window installs its boxes, and in tests without a sink).
MessageSink& Messages();
// Installs a sink (not owned); nullptr restores the default.
void SetMessageSink(MessageSink* sink);

} // namespace gui
