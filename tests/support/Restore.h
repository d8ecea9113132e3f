#pragma once
// An environment variable that a test changes is put back when the guard goes: also when a failed
// assertion leaves the test early, so that one failure does not turn into failures of the tests
// after it.
#include <cstdlib>
#include <optional>
#include <string>

namespace testsupport {

class RestoreEnvironment {
public:
    explicit RestoreEnvironment(std::string name) : m_name(std::move(name))
    {
        if (const char* value = std::getenv(m_name.c_str()))
            m_saved = value;
    }
    ~RestoreEnvironment()
    {
        if (m_saved)
            ::setenv(m_name.c_str(), m_saved->c_str(), 1);
        else
            ::unsetenv(m_name.c_str());
    }
    RestoreEnvironment(const RestoreEnvironment&) = delete;
    RestoreEnvironment& operator=(const RestoreEnvironment&) = delete;

    const std::string& Saved() const { return m_saved ? *m_saved : kEmpty; }

private:
    inline static const std::string kEmpty;
    std::string m_name;
    std::optional<std::string> m_saved;
};

} // namespace testsupport
