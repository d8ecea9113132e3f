#include "gui/common/MessageSink.h"

#include <cstdio>

namespace gui {
namespace {

class StderrSink final : public MessageSink {
public:
    void Error(const std::string& text, const std::string& title) override
    {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    }
    void Information(const std::string& text, const std::string& title) override
    {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    }
    bool Question(const std::string& text, const std::string& title) override
    {
        std::fprintf(stderr, "%s: %s [No]\n", title.c_str(), text.c_str());
        return false;
    }
};

StderrSink g_stderrSink;
MessageSink* g_sink = &g_stderrSink;

} // namespace

MessageSink& Messages()
{
    return *g_sink;
}

void SetMessageSink(MessageSink* sink)
{
    g_sink = sink ? sink : &g_stderrSink;
}

} // namespace gui
